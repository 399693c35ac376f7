#include "tools/import/pandocrun.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace folivar::bookimport {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The two ends of a pipe, closed when they go out of scope.
struct TPipe {
  int fd[2] = {-1, -1};
  TPipe() {
    if (pipe2(fd, O_CLOEXEC) != 0)
      throw std::runtime_error(std::string("cannot make a pipe: ") + strerror(errno));
  }
  ~TPipe() {
    CloseEnd(0);
    CloseEnd(1);
  }
  TPipe(const TPipe&) = delete;
  TPipe& operator=(const TPipe&) = delete;
  void CloseEnd(int i) {
    if (fd[i] >= 0) close(fd[i]);
    fd[i] = -1;
  }
};

// The file actions of the child: stdout and stderr into the pipes, stdin from /dev/null.
struct TFileActions {
  posix_spawn_file_actions_t actions;
  TFileActions() { posix_spawn_file_actions_init(&actions); }
  ~TFileActions() { posix_spawn_file_actions_destroy(&actions); }
  TFileActions(const TFileActions&) = delete;
  TFileActions& operator=(const TFileActions&) = delete;
};

bool PandocOnPath() {
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string dir = dirs.substr(start, end - start);
    if (access(((dir.empty() ? "." : dir) + "/pandoc").c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::string PandocFormat(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  const size_t dot = file.find_last_of('.');
  const std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                              ? std::string()
                              : Lower(file.substr(dot + 1));
  if (ext == "epub") return "epub";
  if (ext == "fb2") return "fb2";
  if (ext == "docx") return "docx";
  if (ext == "odt") return "odt";
  if (ext == "html" || ext == "htm" || ext == "xhtml") return "html";
  if (ext == "md" || ext == "markdown") return "markdown";
  throw std::runtime_error(
      "not a book file that can be imported (.epub, .fb2, .docx, .odt, .html, .xhtml or .md)");
}

std::string RunPandoc(const std::string& file, const std::string& format, const std::string& mediaDir,
                      std::vector<std::string>& warnings) {
  static const char* kInstall = "pandoc is not installed: install pandoc (Debian: apt-get install pandoc)";
  if (!PandocOnPath()) throw std::runtime_error(kInstall);
  // pandoc runs in the book file's folder, where the pictures a document names are found; the
  // paths it is given are absolute (so none begins with '-', which would be an option).
  std::error_code ec;
  const fs::path input = fs::absolute(file, ec);
  const fs::path media = fs::absolute(mediaDir, ec);
  if (ec) throw std::runtime_error("cannot tell the file's folder: " + ec.message());
  const std::string folder = input.parent_path().string();
  std::vector<std::string> args = {"pandoc", "--from", format,
                                   "--to",   "json",   "--extract-media=" + media.string()};
  // A book in a container (EPUB, DOCX, ODT, FB2) holds its pictures: pandoc reads nothing else,
  // whatever the book's pages name (another file, a web address). HTML and Markdown name their
  // pictures as files beside them, which pandoc has to fetch.
  if (format != "html" && format != "markdown") args.push_back("--sandbox");
  args.push_back(input.string());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  TPipe out, err;
  TFileActions fa;
  posix_spawn_file_actions_addopen(&fa.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addchdir_np(&fa.actions, folder.c_str());
  posix_spawn_file_actions_adddup2(&fa.actions, out.fd[1], 1);
  posix_spawn_file_actions_adddup2(&fa.actions, err.fd[1], 2);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "pandoc", &fa.actions, nullptr, argv.data(), environ);
  if (rc == ENOENT) throw std::runtime_error(kInstall);
  if (rc != 0) throw std::runtime_error(std::string("cannot run pandoc: ") + strerror(rc));
  out.CloseEnd(1);
  err.CloseEnd(1);

  // Both pipes are read as they fill, so that neither can block pandoc.
  std::string json, errors;
  pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
  std::string* sinks[2] = {&json, &errors};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string first = errors.substr(0, errors.find('\n'));
    while (!first.empty() && (first.back() == '\r' || first.back() == ' ')) first.pop_back();
    if (first.empty()) {
      first = WIFEXITED(status) ? "exit code " + std::to_string(WEXITSTATUS(status))
                                : "it was stopped by a signal";
    }
    throw std::runtime_error("pandoc could not read it: " + first);
  }
  size_t start = 0;
  while (start < errors.size()) {
    const size_t end = std::min(errors.find('\n', start), errors.size());
    std::string line = errors.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    static const std::string kWarning = "[WARNING] ";
    const std::string warning = "pandoc: " + line.substr(std::min(line.size(), kWarning.size()));
    // Said once: pandoc repeats a warning for each place (a picture used three times).
    if (line.rfind(kWarning, 0) == 0 &&
        std::find(warnings.begin(), warnings.end(), warning) == warnings.end()) {
      warnings.push_back(warning);
    }
    start = end + 1;
  }
  return json;
}

}  // namespace folivar::bookimport
