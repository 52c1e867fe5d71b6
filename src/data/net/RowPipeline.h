// Hands the rows of an answer to a consumer that runs on a thread of its own, so that reading
// the next rows and adding the earlier ones to a local table overlap.
//
// Rows travel in batches; at most kBatches batches exist at once and are reused, each of at most
// kBatchRows rows or about kBatchBytes of text, so memory stays flat however long the answer and
// however wide its rows. The consumer sees every row in order,
// until it refuses one: it then gets no more, and the producer learns of it at its next row.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "RecordStream.h"

namespace terv::net {

class RowPipeline {
  public:
    // Adds one row; false refuses it and ends the consumer's work.
    using Consumer = std::function<bool(const std::vector<WireValue>& row)>;

    static constexpr size_t kBatchRows = 1024;
    static constexpr size_t kBatchBytes = 1 << 20;
    static constexpr size_t kBatches = 4;

    // Starts the consumer's thread.
    explicit RowPipeline(Consumer consumer);
    // Stops the thread; rows not yet consumed are dropped.
    ~RowPipeline();
    RowPipeline(const RowPipeline&) = delete;
    RowPipeline& operator=(const RowPipeline&) = delete;

    // Copies a row in; waits while every batch is full. False once the consumer refused a row.
    bool Push(const std::vector<WireValue>& row);
    // Waits until the consumer has every row pushed, or refused one, and stops its thread.
    // True when it took them all. Nothing may be pushed afterwards.
    bool Finish();

  private:
    struct Batch {
        std::vector<std::vector<WireValue>> rows;
        size_t count = 0;
        size_t bytes = 0;  // text held by its rows
        // Reused rows keep the room of their texts; room this large is given back once used.
        bool large = false;
    };

    void Run();
    // Empties a consumed batch for reuse.
    static void Clear(Batch& batch);
    // The next full batch for the consumer; nullptr when there is no more work.
    Batch* NextFull();
    void Stop(bool drop);

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

}  // namespace terv::net
