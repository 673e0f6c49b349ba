#include "e2e/Processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace wystrand::test {

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<std::string> childEnvironment(const EnvChanges& changes) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (changes.count(name) == 0) {
            env.push_back(text);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            env.push_back(name + "=" + *value);
        }
    }
    return env;
}

Child::~Child() {
    if (pid_ > 0 && !status_) {
        stop(SIGKILL);
    }
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

bool Child::start(const std::vector<std::string>& argv, const EnvChanges& env, int stdinFd) {
    char pattern[] = "/tmp/wystrand-e2e.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return false;
    }
    dir_ = pattern;
    std::vector<std::string> envStrings = childEnvironment(env);
    std::vector<char*> envp;
    for (auto& s : envStrings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& s : args) {
        argp.push_back(s.data());
    }
    argp.push_back(nullptr);

    const std::string outPath = dir_ + "/out";
    const std::string errPath = dir_ + "/err";
    pid_ = ::fork();
    if (pid_ < 0) {
        return false;
    }
    if (pid_ == 0) {
        // The child ends with the test process, even when that one is killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int in = stdinFd >= 0 ? stdinFd : ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, STDIN_FILENO) < 0 ||
            ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0) {
            ::_exit(127);
        }
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    return true;
}

bool Child::running() {
    if (pid_ <= 0 || status_) {
        return false;
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = status;
        return false;
    }
    return true;
}

std::optional<int> Child::wait(std::chrono::milliseconds timeout) {
    eventually([this] { return !running(); }, timeout);
    return status_;
}

int Child::stop(int signal) {
    if (running()) {
        ::kill(pid_, signal);
        if (!wait(std::chrono::seconds(5))) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            status_ = status;
        }
    }
    return status_.value_or(-1);
}

std::string Child::out() const {
    return readFile(dir_ + "/out");
}

std::string Child::err() const {
    return readFile(dir_ + "/err");
}

RunResult run(const std::vector<std::string>& argv, const EnvChanges& env,
              std::chrono::milliseconds timeout) {
    Child child;
    if (!child.start(argv, env)) {
        return {std::nullopt, {}, "cannot start " + argv.at(0)};
    }
    RunResult result;
    result.status = child.wait(timeout);
    if (!result.status) {
        child.stop(SIGKILL);
    }
    result.out = child.out();
    result.err = child.err();
    return result;
}

int exitCode(std::optional<int> status) {
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> children;
    std::error_code ignored;
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(taskDir, ignored)) {
        std::ifstream in(task.path() / "children");
        pid_t child;
        while (in >> child) {
            children.push_back(child);
        }
    }
    return children;
}

}  // namespace wystrand::test
