#include "platform/Names.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <vector>

namespace kelvane {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Case-folded code points, so that "?" consumes one character, not one byte
// or one UTF-16 unit.
std::vector<char32_t> FoldedCodePoints(std::string_view text) {
  std::vector<char32_t> out;
  for (char32_t c : FromUtf8(text).toUcs4()) out.push_back(QChar::toCaseFolded(c));
  return out;
}

// True when mask[from..] is "." followed by nothing but "*".
bool IsDotStarTail(const std::vector<char32_t>& mask, std::size_t from) {
  if (from >= mask.size() || mask[from] != U'.') return false;
  for (std::size_t i = from + 1; i < mask.size(); ++i)
    if (mask[i] != U'*') return false;
  return true;
}

}  // namespace

int CompareNames(std::string_view a, std::string_view b) {
  thread_local QCollator collator = [] {
    QCollator c{QLocale()};
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
  }();
  int result = collator.compare(FromUtf8(a), FromUtf8(b));
  return (result > 0) - (result < 0);
}

bool MatchesMask(std::string_view nameText, std::string_view maskText) {
  if (maskText.empty()) return false;
  const std::vector<char32_t> name = FoldedCodePoints(nameText);
  const std::vector<char32_t> mask = FoldedCodePoints(maskText);

  // Greedy matching with one backtrack point: the last "*" seen. On a
  // mismatch the star takes one more character and matching resumes after
  // it; this is linear in practice and never worse than name x mask.
  std::size_t n = 0, m = 0;
  std::size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == U'*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size() || IsDotStarTail(mask, m);
}

}  // namespace kelvane
