#include "cli/ThumbnailCommand.h"

#include "cli/CliOptions.h"
#include "workflow/Thumbnail.h"

namespace kelvane::cli {

namespace {

// A decimal size within the box sizes the workflow accepts; 0 otherwise.
int ParseSize(const std::string& text) {
  if (text.empty() || text.size() > 5) return 0;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value >= kMinThumbnailSize && value <= kMaxThumbnailSize ? value : 0;
}

}  // namespace

TParseResult ParseThumbnail(const std::vector<std::string>& args) {
  TCliOptions o;
  o.Command = TCommand::Thumbnail;
  std::vector<std::string> positional;
  std::string sizeText;
  bool sizeSeen = false, optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
      positional.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "-s" || a == "--size") {
      if (++i == args.size()) return UsageError(a + " needs a value: the box size in pixels");
      sizeText = args[i];
      sizeSeen = true;
    } else if (a.rfind("--size=", 0) == 0) {
      sizeText = a.substr(7);
      sizeSeen = true;
    } else if (a.rfind("-s", 0) == 0) {
      sizeText = a.substr(2);
      sizeSeen = true;
    } else {
      return UsageError("unknown option '" + a + "'");
    }
  }
  if (!sizeSeen) return UsageError("thumbnail needs -s SIZE");
  o.ThumbnailSize = ParseSize(sizeText);
  if (o.ThumbnailSize == 0)
    return UsageError("-s takes a size of " + std::to_string(kMinThumbnailSize) + " to " +
                std::to_string(kMaxThumbnailSize) + " pixels, not '" + sizeText + "'");
  if (positional.size() != 2) return UsageError("thumbnail takes an INPUT and an OUTPUT file");
  o.Inputs = {positional[0]};
  o.Output = positional[1];
  return TParseResult{true, std::move(o), {}};
}

int RunThumbnail(const TCliOptions& options, std::ostream& err) {
  const std::string& input = options.Inputs.front();
  const TThumbnailResult made = WriteThumbnail(input, options.ThumbnailSize, options.Output);
  if (made.Why.Ok()) return 0;
  const std::string text = made.Why.Text();
  err << input << ": no thumbnail: " << (made.Detail.empty() ? (text.empty() ? "cannot be read" : text) : made.Detail)
      << '\n';
  return 1;
}

}  // namespace kelvane::cli
