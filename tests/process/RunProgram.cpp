#include "tests/process/RunProgram.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace kelvane::test {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                const std::filesystem::path& captureDir, const std::function<void()>& inChild) {
  const std::filesystem::path out = captureDir / ".run.stdout", err = captureDir / ".run.stderr";
  // Everything the child needs is made before the fork: after it, only
  // calls that are safe there.
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) _exit(126);
    if (inChild) inChild();
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  TRun r;
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return r;
  r.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.Out = ReadAll(out);
  r.Err = ReadAll(err);
  std::error_code ignored;
  std::filesystem::remove(out, ignored);
  std::filesystem::remove(err, ignored);
  return r;
}

}  // namespace kelvane::test
