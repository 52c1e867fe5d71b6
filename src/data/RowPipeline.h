// Hands rows to a consumer that runs on a thread of its own, so that making the next rows and
// storing the earlier ones overlap.
//
// Rows travel in batches; at most kBatches batches exist at once and are reused, each of at most
// kBatchRows rows or about kBatchBytes of text, so memory stays flat however many rows and
// however wide they are. The consumer sees every row in order, until it refuses one: it then
// gets no more, and the producer learns of it at its next row. `Value` is a value of a row with
// its text in a std::string member `text`.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace terv {

template <class Value>
class RowPipeline {
  public:
    using Row = std::vector<Value>;
    // Takes one row; false refuses it and ends the consumer's work.
    using Consumer = std::function<bool(const Row& row)>;

    static constexpr size_t kBatchRows = 1024;
    static constexpr size_t kBatchBytes = 1 << 20;
    static constexpr size_t kBatches = 4;

    // Starts the consumer's thread.
    explicit RowPipeline(Consumer consumer) : consumer_(std::move(consumer)) {
        for (size_t i = 0; i < kBatches; ++i) {
            batches_.push_back(std::make_unique<Batch>());
            batches_.back()->rows.resize(kBatchRows);
            free_.push_back(batches_.back().get());
        }
        thread_ = std::thread([this] { Run(); });
    }
    // Stops the thread; rows not yet consumed are dropped.
    ~RowPipeline() { Stop(true); }
    RowPipeline(const RowPipeline&) = delete;
    RowPipeline& operator=(const RowPipeline&) = delete;

    // Copies a row in; waits while every batch is full. False once the consumer refused a row.
    bool Push(const Row& row) {
        if (refused_)
            return false;
        if (!filling_ && !TakeFree())
            return false;
        // Assigning keeps the capacity of the batch's earlier rows: no allocation once warm.
        filling_->rows[filling_->count++] = row;
        for (const Value& v : row) {
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

    // Waits until the consumer has every row pushed, or refused one, and stops its thread.
    // True when it took them all. Nothing may be pushed afterwards.
    bool Finish() {
        {
            std::lock_guard lock(mutex_);
            if (filling_ && filling_->count > 0)
                full_.push_back(filling_);
            filling_ = nullptr;
        }
        Stop(false);
        return !refused_;
    }

  private:
    // A text of more than this many bytes does not keep its room in a reused row.
    static constexpr size_t kKeptRoom = 64 * 1024;

    struct Batch {
        std::vector<Row> rows;
        size_t count = 0;
        size_t bytes = 0;  // text held by its rows
        // Reused rows keep the room of their texts; room this large is given back once used.
        bool large = false;
    };

    // Waits for a free batch to fill; false when the consumer refused a row meanwhile.
    bool TakeFree() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return refused_ || !free_.empty(); });
        if (refused_)
            return false;
        filling_ = free_.back();
        free_.pop_back();
        return true;
    }

    void Run() {
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

    // Empties a consumed batch for reuse.
    static void Clear(Batch& batch) {
        if (batch.large) {
            for (size_t i = 0; i < batch.count; ++i)
                for (Value& v : batch.rows[i])
                    if (v.text.capacity() > kKeptRoom)
                        std::string().swap(v.text);
        }
        batch.count = batch.bytes = 0;
        batch.large = false;
    }

    // The next full batch for the consumer; nullptr when there is no more work.
    Batch* NextFull() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return dropping_ || closing_ || !full_.empty(); });
        if (dropping_ || full_.empty())
            return nullptr;
        Batch* batch = full_.front();
        full_.pop_front();
        return batch;
    }

    void Stop(bool drop) {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
            dropping_ = dropping_ || drop;
            changed_.notify_all();
        }
        if (thread_.joinable())
            thread_.join();
    }

    Consumer consumer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Batch>> batches_;
    std::vector<Batch*> free_;
    std::deque<Batch*> full_;
    Batch* filling_ = nullptr;           // the producer's batch
    std::atomic<bool> refused_ = false;  // the consumer refused a row
    bool closing_ = false;               // no more rows will come
    bool dropping_ = false;              // stop without consuming what is left
    std::thread thread_;
};

}  // namespace terv
