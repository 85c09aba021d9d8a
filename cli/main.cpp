// kelvane-cli: converts sprites and BMP images from the command line with the
// same core the window uses. See UsageText() for the commands.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/LodCommands.h"
#include "cli/DefCommands.h"
#include "cli/ThumbnailCommand.h"

int main(int argc, char** argv) {
  using namespace kelvane::cli;
  // A file size limit (ulimit -f) would otherwise kill the program in the
  // middle of a save and leave the temporary file behind; ignored, it makes
  // the write fail with EFBIG and the save clean up as for any write error.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  const TParseResult parsed = ParseCommandLine(args);
  if (!parsed.Ok) {
    std::cerr << "kelvane-cli: " << parsed.Error << "\nTry 'kelvane-cli --help'.\n";
    return 2;
  }
  const TCliOptions& options = parsed.Options;
  switch (options.Command) {
    case TCommand::Help:
      std::cout << UsageText();
      return 0;
    case TCommand::Version:
      std::cout << VersionText();
      return 0;
    case TCommand::Info:
      return RunInfo(options, std::cout, std::cerr);
    case TCommand::Convert:
      return RunConvert(options, std::cerr);
    case TCommand::ConvertBatch:
      return RunConvertBatch(options, std::cerr);
    case TCommand::Lod:
      return RunLod(options, std::cout, std::cerr);
    case TCommand::DefInfo:
      return RunDefInfo(options.Def, std::cout, std::cerr);
    case TCommand::DefExtract:
      return RunDefExtract(options.Def, std::cerr);
    case TCommand::DefBuild:
      return RunDefBuild(options.Def, std::cerr);
    case TCommand::Thumbnail:
      return RunThumbnail(options, std::cerr);
  }
  return 2;
}
