// The command line's conversions: files in a batch of worker threads, and standard input.
#include "cli/files.h"

#include <iconv.h>
#include <signal.h>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "engine/driver.h"
#include "engine/pipeline.h"

namespace vorlax_cli {

namespace {

// Whether the user asked to stop, and the abort requests of the conversions
// under way, which the signal handler raises at once on whatever thread it
// runs. The requests live here for the whole run, so the handler never
// touches one that has gone; a conversion borrows one and hands it back.
std::atomic<bool> interrupted{false};
constexpr std::size_t kSlots = 2 * 1024 + 8;  // more than a batch keeps in flight
std::atomic<bool> abort_pool[kSlots];
std::atomic<bool> slot_taken[kSlots];
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    interrupted.store(true);
    for (auto& request : abort_pool) request.store(true);
}

// An abort request that an interrupt raises.
class AbortRequest {
public:
    AbortRequest() {
        for (std::size_t i = 0; i < kSlots; ++i) {
            bool free = false;
            if (slot_taken[i].compare_exchange_strong(free, true)) {
                slot_ = i;
                break;
            }
        }
        flag().store(false);
        // Checked after the request is cleared, so an interrupt cannot slip between.
        if (interrupted.load()) flag().store(true);
    }
    ~AbortRequest() { slot_taken[slot_].store(false); }
    AbortRequest(const AbortRequest&) = delete;
    AbortRequest& operator=(const AbortRequest&) = delete;

    std::atomic<bool>& flag() { return abort_pool[slot_]; }

private:
    std::size_t slot_ = 0;
};

// CP932 text as UTF-8; the bytes unchanged when the conversion is unavailable.
std::string Cp932ToUtf8(std::string_view text) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string out(text.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* to = out.data();
    std::size_t to_left = out.size();
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &to, &to_left) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        // A byte CP932 does not define: passed on as "?".
        if (to_left == 0) break;
        *to++ = '?';
        --to_left;
        ++in;
        --in_left;
    }
    iconv_close(cd);
    out.resize(out.size() - to_left);
    return out;
}

// What a conversion reported, kept to be printed when its turn comes, so
// the lines of a batch keep their input order whatever the number of jobs.
class BufferedReport final : public vorlax::ConversionReport {
public:
    explicit BufferedReport(bool verbose) : verbose_(verbose) {}

    void OpenFailed(const char* path) override { Error(vorlax::kOpenFailureFormat, path); }
    void AccessFailed(const char* path) override { Error(vorlax::kAccessFailureFormat, path); }
    void PathTooLong(const char* input) override { Error(vorlax::kPathTooLongFormat, input); }
    void Converted(const char* input, const char* output) override {
        if (verbose_) out_ += std::string(input) + " -> " + output + "\n";
    }
    // The command line starts no editor.
    bool OpenInEditor(const char*) override { return true; }

    // Prints what was reported; `clear_line` wipes a progress line first.
    void Print(bool clear_line) const {
        if (out_.empty() && err_.empty()) return;
        if (clear_line) std::fputs("\r\033[K", stderr);
        std::fwrite(out_.data(), 1, out_.size(), stdout);
        std::fflush(stdout);
        std::fwrite(err_.data(), 1, err_.size(), stderr);
    }

private:
    void Error(const char* format, const char* path) { err_ += TerminalMessage(format, path) + "\n"; }

    bool verbose_;
    std::string out_;
    std::string err_;
};

// One file of a batch.
struct Job {
    explicit Job(std::string path, bool verbose) : input(std::move(path)), report(verbose) {}
    std::string input;
    BufferedReport report;
    AbortRequest request;
    std::atomic<bool>& abort = request.flag();
    std::unique_ptr<vorlax::ConversionFiles> files;  // null when preparing failed
    std::uintmax_t size = 0;
    int result = 0;
    bool done = false;  // guarded by Batch::mutex
};

// Conversions run on worker threads; the main thread claims output names in
// input order, prints results in input order and keeps the progress line.
class Batch {
public:
    Batch(const vorlax::Options& options, const BatchSettings& settings, std::size_t total)
        : options_(options), settings_(settings), total_(total),
          progress_(isatty(fileno(stderr)) != 0) {}

    int Run(const std::vector<std::string>& files) {
        const unsigned workers =
            static_cast<unsigned>(std::min<std::size_t>(std::max(settings_.jobs, 1u), files.size()));
        for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
        // Interrupts go to the workers, which may wait in a read that the
        // handler must see at once; this thread looks at the flag in turn.
        sigset_t signals;
        sigemptyset(&signals);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, sig);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        const std::size_t ahead = 2 * static_cast<std::size_t>(workers);
        std::size_t next = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        while (next < files.size() || !pending_.empty()) {
            if (interrupted.load()) next = files.size();  // nothing new starts
            while (next < files.size() && pending_.size() < ahead) {
                lock.unlock();
                auto job = Prepare(files[next++]);
                lock.lock();
                if (job->files) queue_.push_back(job.get());
                else job->done = true;
                pending_.push_back(std::move(job));
                work_ready_.notify_one();
            }
            PrintFinished(lock);
            if (pending_.empty()) continue;
            if (!pending_.front()->done)
                job_done_.wait_for(lock, std::chrono::milliseconds(200));
            ShowProgress();
        }
        stopping_ = true;
        work_ready_.notify_all();
        lock.unlock();
        for (std::thread& t : threads_) t.join();
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
        if (progress_) std::fputs("\r\033[K", stderr);
        return status_;
    }

private:
    std::unique_ptr<Job> Prepare(const std::string& path) {
        auto job = std::make_unique<Job>(path, settings_.verbose);
        job->files = vorlax::FileConversion(options_, job->abort, job->report).Prepare(path.c_str());
        if (job->files) {
            struct stat st;
            if (fstat(fileno(job->files->input), &st) == 0) job->size = static_cast<std::uintmax_t>(st.st_size);
        }
        return job;
    }

    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            Job* job = queue_.front();
            queue_.pop_front();
            lock.unlock();
            job->result = vorlax::FileConversion(options_, job->abort, job->report).Run(*job->files);
            job->files.reset();  // closes the files; an unfinished output goes
            lock.lock();
            job->done = true;
            job_done_.notify_one();
        }
    }

    // Prints the finished jobs at the head of the line.
    void PrintFinished(std::unique_lock<std::mutex>& lock) {
        while (!pending_.empty() && pending_.front()->done) {
            std::unique_ptr<Job> job = std::move(pending_.front());
            pending_.pop_front();
            lock.unlock();
            job->report.Print(progress_);
            if (job->result != 1) status_ = 1;
            ++finished_;
            bytes_ += job->size;
            lock.lock();
        }
    }

    void ShowProgress() {
        if (!progress_ || pending_.empty()) return;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = seconds > 0 ? static_cast<double>(bytes_) / 1e6 / seconds : 0.0;
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %.1f MB/s %s", finished_, total_, rate,
                     pending_.front()->input.c_str());
        std::fflush(stderr);
    }

    const vorlax::Options& options_;
    const BatchSettings& settings_;
    const std::size_t total_;
    const bool progress_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable job_done_;
    std::deque<std::unique_ptr<Job>> pending_;  // in input order, until printed
    std::deque<Job*> queue_;                    // prepared, waiting for a worker
    std::vector<std::thread> threads_;
    bool stopping_ = false;
    std::size_t finished_ = 0;
    std::uintmax_t bytes_ = 0;
    int status_ = 0;
};

void CatchInterrupts() {
    // Interrupting ends the running conversions cleanly (their outputs are
    // removed); reads and writes resume after the signal and see the request.
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

// Standard input, read in blocks.
class StdinSource final : public vorlax::ByteSource {
public:
    explicit StdinSource(const std::atomic<bool>& abort) : abort_(abort) {}
    std::size_t Read(char* buf, std::size_t capacity) override {
        if (abort_.load()) return 0;
        return std::fread(buf, 1, capacity, stdin);
    }

private:
    const std::atomic<bool>& abort_;
};

// Standard output; a failed write stops the conversion.
class StdoutSink final : public vorlax::ByteSink {
public:
    explicit StdoutSink(std::atomic<bool>& abort) : abort_(abort) {}
    void Write(std::string_view bytes) override {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
            abort_.store(true);
    }

private:
    std::atomic<bool>& abort_;
};

}  // namespace

std::string TerminalMessage(const char* format, const char* path) {
    return vorlax::ComposeMessage(Cp932ToUtf8(format), path);
}

int ConvertFiles(const vorlax::Options& options, const std::vector<std::string>& files,
                 const BatchSettings& settings) {
    CatchInterrupts();
    int status = Batch(options, settings, files.size()).Run(files);
    if (interrupted.load()) {
        std::fputs("vorlax: interrupted\n", stderr);
        status = 1;
    }
    return status;
}

int ConvertStandardInput(const vorlax::Options& options) {
    AbortRequest request;
    std::atomic<bool>& abort = request.flag();
    CatchInterrupts();
    StdinSource input(abort);
    StdoutSink output(abort);
    vorlax::StreamConversion conversion(options, input, output, abort);
    conversion.Convert();
    if (std::ferror(stdin)) {
        std::perror("vorlax: reading standard input");
        return 1;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::perror("vorlax: writing standard output");
        return 1;
    }
    if (interrupted.load()) {
        std::fputs("vorlax: interrupted\n", stderr);
        return 1;
    }
    return 0;
}

}  // namespace vorlax_cli
