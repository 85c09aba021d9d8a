#include "workflow/DefManifest.h"

#include <cstdio>

namespace kelvane {

namespace {

constexpr std::string_view kMagic = "kelvane-def-manifest";
constexpr std::string_view kVersion = "1";
constexpr int kColoursPerLine = 16;

struct TToken {
  std::string Text;
  bool Quoted = false;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The words of one line, comments dropped; false with `error` for a quote
// that does not close or an escape that means nothing.
bool SplitLine(std::string_view line, std::vector<TToken>& tokens, std::string& error) {
  tokens.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    TToken token;
    if (c != '"') {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#')
        token.Text += line[i++];
      tokens.push_back(std::move(token));
      continue;
    }
    token.Quoted = true;
    ++i;
    bool closed = false;
    while (i < line.size()) {
      const char q = line[i++];
      if (q == '"') {
        closed = true;
        break;
      }
      if (q != '\\') {
        token.Text += q;
        continue;
      }
      if (i < line.size() && (line[i] == '"' || line[i] == '\\')) {
        token.Text += line[i++];
      } else if (i + 2 < line.size() && line[i] == 'x' && HexDigit(line[i + 1]) >= 0 && HexDigit(line[i + 2]) >= 0) {
        token.Text += static_cast<char>(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2]));
        i += 3;
      } else {
        error = "a backslash in quotes must be followed by \", \\ or xHH";
        return false;
      }
    }
    if (!closed) {
      error = "a quote that does not close";
      return false;
    }
    tokens.push_back(std::move(token));
  }
  return true;
}

// A decimal or 0x-hexadecimal number that fits in 32 bits.
bool ParseNumber(const TToken& token, std::uint32_t& value) {
  if (token.Quoted || token.Text.empty()) return false;
  std::string_view digits = token.Text;
  unsigned base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  std::uint64_t v = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0 || static_cast<unsigned>(d) >= base) return false;
    v = v * base + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFu) return false;
  }
  value = static_cast<std::uint32_t>(v);
  return true;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte > 0x7E) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02x", value);
  return text;
}

}  // namespace

std::string FormatDefManifest(const TDefManifest& manifest) {
  std::string out;
  out += "# Kelvane DEF manifest: `kelvane-cli def build` makes the DEF from it.\n";
  out += "# Each frame is an image file with the palette below; see the README.\n";
  out += std::string(kMagic) + " " + std::string(kVersion) + "\n";
  out += "type " + Hex32(manifest.Type);
  if (const char* name = DefTypeName(manifest.Type); *name != '\0') out += std::string("  # ") + name;
  out += "\nsize " + std::to_string(manifest.Width) + " " + std::to_string(manifest.Height) + "\n";
  out += "format " + (manifest.PixelFormat ? std::to_string(*manifest.PixelFormat) : std::string("auto")) + "\n";
  for (int line = 0; line < 256 / kColoursPerLine; ++line) {
    out += "palette";
    for (int i = line * kColoursPerLine; i < (line + 1) * kColoursPerLine; ++i) {
      char colour[8];
      std::snprintf(colour, sizeof colour, " %02x%02x%02x", manifest.Palette[3 * i], manifest.Palette[3 * i + 1],
                    manifest.Palette[3 * i + 2]);
      out += colour;
    }
    out += "\n";
  }
  for (const TManifestGroup& group : manifest.Groups) {
    out += "group " + std::to_string(group.Id) + "\n";
    for (const TManifestFrame& frame : group.Frames)
      out += "frame " + Quoted(frame.Name) + " " + Quoted(frame.File) + "\n";
  }
  return out;
}

bool ParseDefManifest(std::string_view text, TDefManifest& manifest, std::string& error) {
  TDefManifest m;
  bool sawMagic = false, sawType = false, sawSize = false, sawFormat = false;
  int colours = 0;
  std::uint64_t frames = 0;
  std::vector<TToken> tokens;
  std::size_t lineNumber = 0;
  std::size_t at = 0;
  const auto fail = [&](const std::string& what) {
    error = "line " + std::to_string(lineNumber) + ": " + what;
    return false;
  };

  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    std::string splitError;
    if (!SplitLine(line, tokens, splitError)) return fail(splitError);
    if (tokens.empty()) continue;
    const TToken& keyword = tokens[0];
    const std::size_t fields = tokens.size() - 1;
    if (keyword.Quoted) return fail("a line starts with a keyword, not a quoted text");

    if (!sawMagic) {
      if (keyword.Text != kMagic)
        return fail("not a Kelvane DEF manifest (it starts with \"" + std::string(kMagic) + "\")");
      if (fields != 1 || tokens[1].Text != kVersion)
        return fail("manifest version " + std::string(kVersion) + " expected");
      sawMagic = true;
    } else if (keyword.Text == "type") {
      if (fields != 1 || !ParseNumber(tokens[1], m.Type)) return fail("type takes one number");
      sawType = true;
    } else if (keyword.Text == "size") {
      if (fields != 2 || !ParseNumber(tokens[1], m.Width) || !ParseNumber(tokens[2], m.Height))
        return fail("size takes a width and a height");
      sawSize = true;
    } else if (keyword.Text == "format") {
      std::uint32_t format = 0;
      if (fields == 1 && !tokens[1].Quoted && tokens[1].Text == "auto") m.PixelFormat.reset();
      else if (fields == 1 && ParseNumber(tokens[1], format) && format < kDefPixelFormats) m.PixelFormat = format;
      else return fail("format takes auto or a pixel format from 0 to 3");
      sawFormat = true;
    } else if (keyword.Text == "palette") {
      for (std::size_t i = 1; i <= fields; ++i) {
        const std::string& colour = tokens[i].Text;
        if (tokens[i].Quoted || colour.size() != 6) return fail("palette colours are RRGGBB, six hexadecimal digits");
        if (colours == 256) return fail("more than 256 palette colours");
        for (int c = 0; c < 3; ++c) {
          const int high = HexDigit(colour[2 * c]), low = HexDigit(colour[2 * c + 1]);
          if (high < 0 || low < 0) return fail("palette colours are RRGGBB, six hexadecimal digits");
          m.Palette[3 * colours + c] = static_cast<std::uint8_t>(high * 16 + low);
        }
        ++colours;
      }
    } else if (keyword.Text == "group") {
      TManifestGroup group;
      if (fields != 1 || !ParseNumber(tokens[1], group.Id)) return fail("group takes one id");
      if (m.Groups.size() == kMaxDefGroups) return fail("more than " + std::to_string(kMaxDefGroups) + " groups");
      m.Groups.push_back(std::move(group));
    } else if (keyword.Text == "frame") {
      if (m.Groups.empty()) return fail("frame before any group");
      if (fields != 2 || !tokens[1].Quoted || !tokens[2].Quoted)
        return fail("frame takes a quoted name and a quoted file");
      if (tokens[1].Text.size() > kDefMaxNameBytes || tokens[1].Text.find('\0') != std::string::npos)
        return fail("frame names are at most 12 bytes, without NUL");
      if (tokens[2].Text.empty() || tokens[2].Text.find('\0') != std::string::npos)
        return fail("the frame's file name is empty or holds a NUL");
      if (++frames > kMaxDefFrames) return fail("more than " + std::to_string(kMaxDefFrames) + " frames");
      m.Groups.back().Frames.push_back({tokens[1].Text, tokens[2].Text});
    } else {
      return fail("unknown keyword \"" + keyword.Text + "\"");
    }
  }
  if (!sawMagic) {
    error = "not a Kelvane DEF manifest (it is empty)";
    return false;
  }
  if (!sawType || !sawSize || !sawFormat) {
    error = "type, size and format are required";
    return false;
  }
  if (colours != 256) {
    error = "the palette has " + std::to_string(colours) + " colours, not 256";
    return false;
  }
  manifest = std::move(m);
  return true;
}

}  // namespace kelvane
