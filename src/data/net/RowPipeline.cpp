#include "RowPipeline.h"

namespace terv::net {
namespace {

// A text of more than this many bytes does not keep its room in a reused row.
constexpr size_t kKeptRoom = 64 * 1024;

}  // namespace

RowPipeline::RowPipeline(Consumer consumer) : consumer_(std::move(consumer)) {
    for (size_t i = 0; i < kBatches; ++i) {
        batches_.push_back(std::make_unique<Batch>());
        batches_.back()->rows.resize(kBatchRows);
        free_.push_back(batches_.back().get());
    }
    thread_ = std::thread([this] { Run(); });
}

RowPipeline::~RowPipeline() {
    Stop(true);
}

bool RowPipeline::Push(const std::vector<WireValue>& row) {
    if (refused_)
        return false;
    if (!filling_) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return refused_ || !free_.empty(); });
        if (refused_)
            return false;
        filling_ = free_.back();
        free_.pop_back();
    }
    // Assigning keeps the capacity of the batch's earlier rows: no allocation once warm.
    filling_->rows[filling_->count++] = row;
    for (const WireValue& v : row) {
        filling_->bytes += v.text.size();
        filling_->large = filling_->large || v.text.size() > kKeptRoom;
    }
    if (filling_->count < kBatchRows && filling_->bytes < kBatchBytes)
        return true;
    std::lock_guard lock(mutex_);
    full_.push_back(filling_);
    filling_ = nullptr;
    changed_.notify_all();
    return !refused_;
}

bool RowPipeline::Finish() {
    {
        std::lock_guard lock(mutex_);
        if (filling_ && filling_->count > 0)
            full_.push_back(filling_);
        filling_ = nullptr;
    }
    Stop(false);
    return !refused_;
}

void RowPipeline::Stop(bool drop) {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        dropping_ = dropping_ || drop;
        changed_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

RowPipeline::Batch* RowPipeline::NextFull() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return dropping_ || closing_ || !full_.empty(); });
    if (dropping_ || full_.empty())
        return nullptr;
    Batch* batch = full_.front();
    full_.pop_front();
    return batch;
}

void RowPipeline::Run() {
    while (Batch* batch = NextFull()) {
        bool taken = true;
        for (size_t i = 0; i < batch->count && taken; ++i)
            taken = consumer_(batch->rows[i]);
        Clear(*batch);
        std::lock_guard lock(mutex_);
        free_.push_back(batch);
        refused_ = !taken;
        changed_.notify_all();
        if (!taken)
            return;
    }
}

void RowPipeline::Clear(Batch& batch) {
    if (batch.large) {
        for (size_t i = 0; i < batch.count; ++i)
            for (WireValue& v : batch.rows[i])
                if (v.text.capacity() > kKeptRoom)
                    std::string().swap(v.text);
    }
    batch.count = batch.bytes = 0;
    batch.large = false;
}

}  // namespace terv::net
