// A stand-in for the core tool with a controllable cost. Every command first sleeps
// BENCH_CORE_DELAY_MS (default 500) and, after its answer, prints BENCH_CORE_PADDING bytes
// (default 1 MiB): half as blank lines on standard output, which every reader of the answers
// skips or trims, half as text on standard error. Profiles are folders under BENCH_CORE_HOME
// (default $HOME/.bench-core/profiles). The doctor finds both ChatGPT Desktop and the Codex CLI,
// so the home window shows its card list. No Qt.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

long environmentNumber(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    return std::strtol(text, nullptr, 10);
}

std::string profilesFolder()
{
    const char* home = std::getenv("BENCH_CORE_HOME");
    if (home != nullptr && *home != '\0') {
        return std::string(home) + "/profiles";
    }
    const char* user = std::getenv("HOME");
    return std::string(user != nullptr ? user : "/tmp") + "/.bench-core/profiles";
}

void makePath(const std::string& path)
{
    std::string partial;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || (path[i] == '/' && i > 0)) {
            partial = path.substr(0, i);
            mkdir(partial.c_str(), 0700);
        }
    }
}

void writeAll(FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

void pad(long bytes)
{
    const std::string blank(static_cast<std::size_t>(bytes / 2), '\n');
    writeAll(stdout, blank);
    std::string noise;
    noise.reserve(static_cast<std::size_t>(bytes - bytes / 2));
    while (noise.size() + 64 <= static_cast<std::size_t>(bytes - bytes / 2)) {
        noise += "bench core: something worth logging happened somewhere, again.\n";
    }
    noise.append(static_cast<std::size_t>(bytes - bytes / 2) - noise.size(), '\n');
    writeAll(stderr, noise);
}

const char* doctorDocument = R"({
    "cli": {
        "found": true,
        "healthy": true,
        "path": "/usr/local/bin/codex",
        "source": "npm",
        "version": "0.42.0"
    },
    "desktop": {
        "app_path": "/opt/ChatGPT",
        "bundle_id": "com.openai.chat",
        "found": true,
        "path": "/opt/ChatGPT/chatgpt",
        "product": "ChatGPT"
    }
}
)";

int answer(const std::vector<std::string>& args)
{
    const std::string command = args.empty() ? std::string() : args[0];
    const std::string folder = profilesFolder();
    if (command == "version") {
        writeAll(stdout, "tessaroll 9.9.9 (bench)\n");
    } else if (command == "list") {
        std::string listing = "default\n";
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                if (entry->d_name[0] != '.') {
                    listing += entry->d_name;
                    listing += '\n';
                }
            }
            closedir(dir);
        }
        writeAll(stdout, listing);
    } else if (command == "doctor") {
        writeAll(stdout, doctorDocument);
    } else if (command == "init" && args.size() == 2) {
        makePath(folder + "/" + args[1]);
    } else if (command == "path" && args.size() == 2) {
        writeAll(stdout, folder + "/" + args[1] + "\n");
    } else if (command == "remove" && args.size() == 3) {
        rmdir((folder + "/" + args[1]).c_str());
    } else if (command == "app" || command == "cli") {
        // The launched program would run on its own; there is nothing to wait for.
    } else {
        writeAll(stderr, "usage: tessaroll version | list | doctor --json | init <id> | path <id> | ...\n");
        return 64;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const long delayMs = environmentNumber("BENCH_CORE_DELAY_MS", 500);
    const long padding = environmentNumber("BENCH_CORE_PADDING", 1024 * 1024);
    if (delayMs > 0) {
        usleep(static_cast<useconds_t>(delayMs) * 1000);
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = answer(args);
    if (status == 0 && padding > 0) {
        pad(padding);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    return status;
}
