// The command line's conversions: files in a batch of worker threads, and standard input.
#include "cli/files.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>  // and the clocks: <chrono> itself has a literal CP932 cannot hold
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "cli/console.h"
#include "cli/stop.h"
#include "engine/driver.h"
#include "engine/pipeline.h"

namespace vorlax::cli {

namespace {

// The most jobs a batch keeps prepared at once, each with an abort request.
constexpr std::size_t kMaxAhead = kMaxAbortRequests - 8;

// Descriptors kept free beside the jobs' files, for the run's own needs
// (loading the message code conversion, the terminal).
constexpr std::size_t kSpareDescriptors = 16;

// The descriptors open now; 3 when they cannot be listed.
std::size_t OpenDescriptors() {
    DIR* folder = opendir("/dev/fd");
    if (!folder) return 3;
    std::size_t count = 0;
    while (const dirent* entry = readdir(folder))
        if (entry->d_name[0] != '.') ++count;
    closedir(folder);
    return count > 0 ? count - 1 : 0;  // less the listing's own
}

// How many jobs may hold their files open at once within the descriptor
// limit: each holds its input and its output.
std::size_t JobsWithinDescriptorLimit() {
    rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMaxAhead;
    const std::size_t used = OpenDescriptors() + kSpareDescriptors;
    const auto available = static_cast<std::size_t>(limit.rlim_cur);
    if (available < used + 2) return 1;
    return std::clamp<std::size_t>((available - used) / 2, 1, kMaxAhead);
}

// Where standard output and standard error go.
struct Terminals {
    bool output = isatty(STDOUT_FILENO) != 0;
    bool error = isatty(STDERR_FILENO) != 0;
};

// What a conversion reported, kept to be printed when its turn comes, so
// the lines of a batch keep their input order whatever the number of jobs.
class BufferedReport final : public vorlax::ConversionReport {
public:
    BufferedReport(const Terminals& terminals, bool verbose)
        : terminals_(terminals), verbose_(verbose) {}

    void OpenFailed(const char* path) override { Error(vorlax::kOpenFailureFormat, path, errno); }
    void AccessFailed(const char* path) override {
        Error(vorlax::kAccessFailureFormat, path, errno);
    }
    void PathTooLong(const char* input) override { Error(vorlax::kPathTooLongFormat, input, 0); }
    void Converted(const char* input, const char* output) override {
        if (verbose_)
            out_ += ShownName(input, terminals_.output) + " -> " +
                    ShownName(output, terminals_.output) + "\n";
    }
    // The command line starts no editor.
    bool OpenInEditor(const char*) override { return true; }

    // Prints what was reported, the -v lines only with `with_output`;
    // `clear_line` wipes a progress line first. Returns 0, or the errno of
    // a failed write to standard output.
    int Print(bool clear_line, bool with_output) const {
        int error = 0;
        const bool output = with_output && !out_.empty();
        if (!output && err_.empty()) return 0;
        if (clear_line) std::fputs("\r\033[K", stderr);
        if (output && (std::fwrite(out_.data(), 1, out_.size(), stdout) != out_.size() ||
                       std::fflush(stdout) != 0)) {
            error = errno != 0 ? errno : EIO;
        }
        std::fwrite(err_.data(), 1, err_.size(), stderr);
        return error;
    }

private:
    void Error(const char* format, const char* path, int error) {
        // What fails once the run stops is the stop's doing, which is reported.
        if (StopRequested()) return;
        err_ += TerminalMessage(format, path, error, terminals_.error) + "\n";
    }

    const Terminals& terminals_;
    const bool verbose_;
    std::string out_;
    std::string err_;
};

// A file's identity on disk; `known` false when it could not be told.
struct FileId {
    std::pair<dev_t, ino_t> id{};
    bool known = false;
};

FileId IdOf(std::FILE* file, std::uintmax_t* size = nullptr) {
    struct stat st;
    if (!file || fstat(fileno(file), &st) != 0) return {};
    if (size) *size = static_cast<std::uintmax_t>(st.st_size);
    return {{st.st_dev, st.st_ino}, true};
}

// One file of a batch.
struct Job {
    Job(std::string path, const Terminals& terminals, bool verbose)
        : input(std::move(path)), report(terminals, verbose) {}
    std::string input;
    BufferedReport report;
    AbortRequest request;
    std::atomic<bool>& abort = request.flag();
    std::unique_ptr<vorlax::ConversionFiles> files;  // null when preparing failed
    std::uintmax_t size = 0;
    FileId input_id;
    FileId output_id;
    // Guarded by Batch::mutex_:
    std::vector<Job*> readers;  // later jobs whose input is this output, until it is done
    bool reopen = false;        // the input is read again before the conversion
    int result = 0;
    bool done = false;
};

// Conversions run on worker threads; the main thread claims output names in
// input order, prints results in input order and keeps the progress line.
class Batch {
public:
    Batch(const vorlax::Options& options, const BatchSettings& settings, std::size_t total,
          StopSignals& stop)
        : options_(options), settings_(settings), total_(total), stop_(stop),
          progress_(terminals_.error) {}

    int Run(const std::vector<std::string>& files) {
        const std::size_t jobs = std::max(settings_.jobs, 1u);
        const std::size_t ahead = std::min(2 * jobs, JobsWithinDescriptorLimit());
        const std::size_t workers = std::min({jobs, files.size(), ahead});
        for (std::size_t i = 0; i < workers; ++i) {
            threads_.emplace_back([this] { Work(); });
            stop_.Wake(threads_.back().native_handle());
        }
        std::size_t next = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        while (next < files.size() || !pending_.empty()) {
            while (next < files.size() && pending_.size() < ahead && !StopRequested()) {
                lock.unlock();
                auto job = Prepare(files[next++]);
                lock.lock();
                Add(std::move(job));
            }
            if (StopRequested()) next = files.size();  // nothing new starts
            PrintFinished(lock);
            if (pending_.empty()) continue;
            if (!pending_.front()->done)
                job_done_.wait_for(lock, std::chrono::milliseconds(200));
            ShowProgress();
        }
        stopping_ = true;
        work_ready_.notify_all();
        lock.unlock();
        // The workers have nothing left that could block.
        stop_.WakeNone();
        for (std::thread& t : threads_) t.join();
        if (progress_) std::fputs("\r\033[K", stderr);
        return status_;
    }

    // The errno of a failed -v line; 0 when every one was written.
    int OutputError() const { return output_error_; }

private:
    std::unique_ptr<Job> Prepare(const std::string& path) {
        auto job = std::make_unique<Job>(path, terminals_, settings_.verbose);
        errno = 0;
        job->files = vorlax::FileConversion(options_, job->abort, job->report).Prepare(path.c_str());
        if (job->files) {
            job->input_id = IdOf(job->files->input, &job->size);
            job->output_id = IdOf(job->files->output);
        }
        return job;
    }

    // Takes a prepared job into the batch; under the lock.
    void Add(std::unique_ptr<Job> job) {
        Job* added = job.get();
        if (!added->files) {
            added->done = true;
        } else {
            const auto writer = FindOutput(added->input_id);
            if (writer == outputs_.end()) Queue(added);
            else if (writer->second->done) Release(added);
            else writer->second->readers.push_back(added);
            if (added->output_id.known) outputs_[added->output_id.id] = added;
        }
        pending_.push_back(std::move(job));
    }

    // The pending job whose output the file is.
    auto FindOutput(const FileId& file) -> std::map<std::pair<dev_t, ino_t>, Job*>::iterator {
        return file.known ? outputs_.find(file.id) : outputs_.end();
    }

    // The output `job` reads is complete (or gone): `job` may run, opening
    // its input again so that it reads what is on disk now, as it would have
    // had the files been converted one by one.
    void Release(Job* job) {
        job->reopen = true;
        Queue(job);
    }

    void Queue(Job* job) {
        queue_.push_back(job);
        work_ready_.notify_one();
    }

    void Convert(Job& job) {
        if (job.reopen && !job.abort.load()) {
            std::fclose(job.files->input);
            errno = 0;
            job.files->input = std::fopen(job.input.c_str(), "rb");
            if (!job.files->input) {
                job.report.OpenFailed(job.input.c_str());
                job.result = 0;
                return;
            }
            IdOf(job.files->input, &job.size);
        }
        errno = 0;
        job.result = vorlax::FileConversion(options_, job.abort, job.report).Run(*job.files);
    }

    void Work() {
        stop_.TakeHere();
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            work_ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            Job* job = queue_.front();
            queue_.pop_front();
            lock.unlock();
            Convert(*job);
            job->files.reset();  // closes the files; an unfinished output goes
            lock.lock();
            job->done = true;
            for (Job* reader : job->readers) Release(reader);
            job->readers.clear();
            job_done_.notify_one();
        }
    }

    // Prints the finished jobs at the head of the line. A -v line that cannot
    // be written stops the run: its reader is gone.
    void PrintFinished(std::unique_lock<std::mutex>& lock) {
        while (!pending_.empty() && pending_.front()->done) {
            std::unique_ptr<Job> job = std::move(pending_.front());
            pending_.pop_front();
            // An input prepared from now on was opened after this output was
            // done. (A later output may have the number of one that failed.)
            const auto output = FindOutput(job->output_id);
            if (output != outputs_.end() && output->second == job.get()) outputs_.erase(output);
            lock.unlock();
            const int error = job->report.Print(progress_, output_error_ == 0);
            if (error != 0 && output_error_ == 0) {
                output_error_ = error;
                stop_.Stop();
            }
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
                     ShownName(pending_.front()->input, true).c_str());
        std::fflush(stderr);
    }

    const vorlax::Options& options_;
    const BatchSettings& settings_;
    const std::size_t total_;
    StopSignals& stop_;
    const Terminals terminals_;
    const bool progress_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable job_done_;
    std::deque<std::unique_ptr<Job>> pending_;  // in input order, until printed
    std::deque<Job*> queue_;                    // ready, waiting for a worker
    std::map<std::pair<dev_t, ino_t>, Job*> outputs_;  // the outputs of pending_ jobs
    std::vector<std::thread> threads_;
    bool stopping_ = false;
    std::size_t finished_ = 0;
    std::uintmax_t bytes_ = 0;
    int status_ = 0;
    int output_error_ = 0;
};

// Standard input, read in blocks; keeps the errno of a failed read. A
// regular file given as standard input can be read again from where the
// run found it, so that detection need not hold what it reads; a pipe or a
// terminal cannot.
class StdinSource final : public vorlax::ByteSource {
public:
    explicit StdinSource(const std::atomic<bool>& abort) : abort_(abort) {
        struct stat st;
        if (fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode)) start_ = ftello(stdin);
    }
    std::size_t Read(char* buf, std::size_t capacity) override {
        if (abort_.load()) return 0;
        errno = 0;
        const std::size_t got = std::fread(buf, 1, capacity, stdin);
        if (got < capacity && std::ferror(stdin) && error == 0) error = errno != 0 ? errno : EIO;
        return got;
    }
    bool CanRewind() const override { return start_ >= 0; }
    bool Rewind() override {
        if (start_ >= 0 && fseeko(stdin, start_, SEEK_SET) == 0) return true;
        if (error == 0) error = errno != 0 ? errno : EIO;
        return false;
    }
    int error = 0;

private:
    const std::atomic<bool>& abort_;
    off_t start_ = -1;  // where a regular file was found; -1 for anything else
};

// Standard output; a failed write stops the conversion and keeps its errno.
class StdoutSink final : public vorlax::ByteSink {
public:
    explicit StdoutSink(std::atomic<bool>& abort) : abort_(abort) {}
    void Write(std::string_view bytes) override {
        if (bytes.empty() || error != 0) return;
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) Failed();
    }
    void Flush() {
        if (error == 0 && std::fflush(stdout) != 0) Failed();
    }
    int error = 0;

private:
    void Failed() {
        error = errno != 0 ? errno : EIO;
        abort_.store(true);
    }
    std::atomic<bool>& abort_;
};

[[noreturn]] void ReportInterrupt(int stop_signal) {
    std::fputs("vorlax: interrupted\n", stderr);
    std::fflush(stdout);
    EndBySignal(stop_signal);
}

}  // namespace

int ConvertFiles(const vorlax::Options& options, const std::vector<std::string>& files,
                 const BatchSettings& settings) {
    // A -v line written to a closed pipe must not end the process in the
    // middle of a file: the write fails instead, which stops the run.
    signal(SIGPIPE, SIG_IGN);
    int status, stop_signal, output_error;
    {
        StopSignals stop;
        Batch batch(options, settings, files.size(), stop);
        status = batch.Run(files);
        stop_signal = stop.Signal();
        output_error = batch.OutputError();
    }
    if (stop_signal != 0) ReportInterrupt(stop_signal);
    if (output_error != 0) {
        std::fprintf(stderr, "vorlax: writing standard output: %s\n",
                     SystemReason(output_error).c_str());
        return 1;
    }
    return status;
}

int ConvertStandardInput(const vorlax::Options& options) {
    int stop_signal, read_error, write_error;
    {
        StopSignals stop;
        stop.TakeHere();
        AbortRequest request;
        StdinSource input(request.flag());
        StdoutSink output(request.flag());
        vorlax::StreamConversion conversion(options, input, output, request.flag());
        conversion.Convert();
        output.Flush();
        stop_signal = stop.Signal();
        read_error = input.error;
        write_error = output.error;
    }
    if (stop_signal != 0) ReportInterrupt(stop_signal);
    if (read_error != 0) {
        std::fprintf(stderr, "vorlax: reading standard input: %s\n",
                     SystemReason(read_error).c_str());
        return 1;
    }
    if (write_error != 0) {
        std::fprintf(stderr, "vorlax: writing standard output: %s\n",
                     SystemReason(write_error).c_str());
        return 1;
    }
    return 0;
}

}  // namespace vorlax::cli
