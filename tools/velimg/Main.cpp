// velimg: the library's command-line front end. It drives the library as a
// host does, through the exported factories, the interface tables and the
// release exports.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "Operations.h"

#if defined(_WIN32)
#include <io.h>
#define VELIMG_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define VELIMG_ISATTY(fd) isatty(fd)
#endif

namespace velimg {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintUsage(FILE* out) {
    std::fputs(
        "usage: velimg INPUT... [--OPERATION ARGS]... -o OUTPUT [-j N]\n"
        "       velimg demo [--out DIR]\n"
        "       velimg info FILE...\n"
        "       velimg cpu\n"
        "       velimg OPERATION --help\n"
        "\n"
        "Runs the operations in order on each input and saves the result (BMP, JPEG, PNG\n"
        "or TIFF by the extension). With several inputs OUTPUT is a directory and the\n"
        "files are processed on N threads (default: the processors).\n"
        "\noperations:\n",
        out);
    for (const Operation& operation : AllOperations()) {
        std::fprintf(out, "  --%s%s%s\n      %s\n", operation.name, *operation.form ? " " : "",
                     operation.form, operation.summary);
    }
}

struct Job {
    std::vector<std::string> inputs;
    std::vector<Step> steps;
    std::string output;
    int threads = 0;
};

// Reads the chain's command line; throws UsageError on a bad one.
Job ParseJob(int argc, char** argv) {
    Job job;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-o" || word == "-j") {
            if (i + 1 >= argc) throw UsageError(word + " needs a value");
            const std::string value = argv[++i];
            if (word == "-o") {
                job.output = value;
            } else {
                job.threads = Arguments("j", "N", value).Int(0, 1, 256);
            }
        } else if (word.rfind("--", 0) == 0) {
            const Operation* operation = FindOperation(word.substr(2));
            if (operation == nullptr) throw UsageError("unknown operation '" + word + "' (velimg --help lists them)");
            Step step{operation, ""};
            if (*operation->form) {
                if (i + 1 >= argc) Arguments(operation->name, operation->form, "").Fail("missing argument");
                step.argumentText = argv[++i];
            }
            job.steps.push_back(step);
        } else {
            job.inputs.push_back(word);
        }
    }
    if (job.inputs.empty()) throw UsageError("no input file");
    if (job.output.empty()) throw UsageError("no output: give -o OUTPUT");
    CheckSteps(job.steps);
    return job;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The output file for one input of a batch: same name in the directory, PNG
// when the input's format is one the savers do not write.
std::string BatchOutput(const std::string& dir, const std::string& input) {
    std::string name = BaseName(input);
    const size_t dot = name.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const char* const kWritten[] = {"bmp", "jpg", "jpeg", "png", "tif", "tiff"};
    bool written = false;
    for (const char* known : kWritten) written = written || extension == known;
    if (!written) name = (dot == std::string::npos ? name : name.substr(0, dot)) + ".png";
    return dir + "/" + name;
}

// Loads, runs the chain, saves; the error text when any of it fails.
std::string ProcessFile(const Job& job, const std::string& input, const std::string& output) {
    try {
        ArgbImage image = LoadImageFile(input);
        if (!image) return "cannot read or decode '" + input + "'";
        RunSteps(image, job.steps);
        if (!SaveImageFile(image.get(), output)) return "cannot write '" + output + "'";
        return "";
    } catch (const std::exception& error) {
        return error.what();
    }
}

int RunJob(const Job& job) {
    const bool batch = job.inputs.size() > 1 || IsDirectory(job.output);
    if (!batch) {
        const std::string error = ProcessFile(job, job.inputs[0], job.output);
        if (!error.empty()) {
            std::fprintf(stderr, "velimg: %s\n", error.c_str());
            return kExitFailed;
        }
        return 0;
    }
    if (!MakeDirectories(job.output)) {
        std::fprintf(stderr, "velimg: cannot create output directory '%s'\n", job.output.c_str());
        return kExitFailed;
    }
    const size_t total = job.inputs.size();
    unsigned threads = job.threads > 0 ? static_cast<unsigned>(job.threads) : std::thread::hardware_concurrency();
    if (threads == 0) threads = 1;
    if (threads > total) threads = static_cast<unsigned>(total);
    const bool terminal = VELIMG_ISATTY(2) != 0;
    std::atomic<size_t> next{0};
    size_t done = 0, failed = 0;
    std::mutex report;
    const double start = NowMs();
    auto worker = [&] {
        for (size_t index; (index = next++) < total;) {
            const std::string& input = job.inputs[index];
            const std::string output = BatchOutput(job.output, input);
            const double begin = NowMs();
            const std::string error = ProcessFile(job, input, output);
            std::lock_guard<std::mutex> lock(report);
            ++done;
            if (!error.empty()) ++failed;
            if (terminal) {
                if (!error.empty()) std::fprintf(stderr, "\r\033[Kvelimg: %s\n", error.c_str());
                const size_t filled = done * 30 / total;
                std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(),
                             std::string(30 - filled, ' ').c_str(), done, total);
            } else if (error.empty()) {
                std::fprintf(stderr, "[%zu/%zu] %s -> %s (%.1f ms)\n", done, total, input.c_str(),
                             output.c_str(), NowMs() - begin);
            } else {
                std::fprintf(stderr, "[%zu/%zu] velimg: %s\n", done, total, error.c_str());
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);
    for (std::thread& thread : pool) thread.join();
    if (terminal) std::fputc('\n', stderr);
    std::fprintf(stderr, "velimg: %zu files, %zu failed, %.2f s on %u threads\n", total, failed,
                 (NowMs() - start) / 1000.0, threads);
    return failed == 0 ? 0 : kExitFailed;
}

int Main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : 0;
    }
    const std::string command = argv[1];
    const Operation* named = FindOperation(command.rfind("--", 0) == 0 ? command.substr(2) : command);
    if (named != nullptr && argc == 3 && !std::strcmp(argv[2], "--help")) {
        std::printf("velimg INPUT --%s%s%s -o OUTPUT\n  %s\n", named->name, *named->form ? " " : "",
                    named->form, named->summary);
        return 0;
    }
    DetectCpuInstructionSet();
    if (command == "cpu") return RunCpu();
    if (command == "info") return RunInfo(argc, argv);
    if (command == "demo") {
        std::string out = "velimg-demo";
        for (int i = 2; i < argc; ++i) {
            if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
                out = argv[++i];
            } else {
                std::fprintf(stderr, "velimg: demo takes only --out DIR\n");
                return kExitUsage;
            }
        }
        return RunDemo(out);
    }
    try {
        return RunJob(ParseJob(argc, argv));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "velimg: %s\n", error.what());
        return kExitUsage;
    }
}

}  // namespace
}  // namespace velimg

int main(int argc, char** argv) { return velimg::Main(argc, argv); }
