#include "http/JsonLines.h"

#include "http/FrontText.h"

namespace vorn {

namespace {

// What a value is to the receipt.
enum class Role { Top, Lines, Line, Other };

class Reader {
 public:
  explicit Reader(std::string body) : buf_(std::move(body)) {
    if (buf_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;
  }

  ReceiptBody Read() {
    Space();
    if (Value(Role::Top, 0)) {
      Space();
      if (at_ < buf_.size()) Fail("garbage after the document");
    }
    ReceiptBody r;
    if (!syntax_.isEmpty()) {
      r.error = "the body is not valid JSON: " + syntax_;
    } else if (!topObject_ || !linesArray_) {
      r.error = QStringLiteral("the JSON body must be an object with an array \"lines\"");
    } else if (!content_.isEmpty()) {
      r.status = contentStatus_;
      r.error = content_;
    } else {
      buf_.resize(out_);
      r.fileBytes = std::move(buf_);
      r.ok = true;
    }
    return r;
  }

 private:
  bool Fail(const QString& what) {
    if (syntax_.isEmpty()) syntax_ = what + QStringLiteral(" at byte %1").arg(at_);
    return false;
  }
  void Refuse(int status, const QString& what) {
    if (!content_.isEmpty()) return;
    contentStatus_ = status;
    content_ = what;
  }

  void Space() {
    while (at_ < buf_.size() &&
           (buf_[at_] == ' ' || buf_[at_] == '\t' || buf_[at_] == '\n' || buf_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Take(char c) {
    if (at_ >= buf_.size() || buf_[at_] != c) return false;
    ++at_;
    return true;
  }

  bool Value(Role role, int depth) {
    if (at_ >= buf_.size()) return Fail("a value is missing");
    const char c = buf_[at_];
    if (role == Role::Lines && c == '[') linesArray_ = true;
    if (role == Role::Line && c != '"') {
      Refuse(400, QStringLiteral("lines[%1] is not a string").arg(line_));
    }
    if (c == '{' || c == '[') {
      if (depth >= kMaxJsonDepth) {
        return Fail(QStringLiteral("arrays and objects nested deeper than %1").arg(kMaxJsonDepth));
      }
      ++at_;
      return c == '{' ? Object(role == Role::Top, depth + 1)
                      : Array(role == Role::Lines, depth + 1);
    }
    if (c == '"') return String(role == Role::Line);
    if (c == '-' || (c >= '0' && c <= '9')) return Number();
    for (const char* word : {"true", "false", "null"}) {
      const std::string_view w(word);
      if (buf_.compare(at_, w.size(), w) == 0) {
        at_ += w.size();
        return true;
      }
    }
    return Fail("an illegal value");
  }

  bool Object(bool top, int depth) {
    if (top) topObject_ = true;
    Space();
    if (Take('}')) return true;
    for (;;) {
      if (at_ >= buf_.size() || buf_[at_] != '"') return Fail("a member name is missing");
      keyIsLines_ = true;
      keyLength_ = 0;
      if (!String(false, true)) return false;
      const bool lines = top && keyIsLines_ && keyLength_ == 5;
      Space();
      if (!Take(':')) return Fail("a ':' is missing");
      Space();
      if (lines && ++linesKeys_ > 1) {
        Refuse(400, QStringLiteral("the JSON body has \"lines\" more than once"));
      }
      if (!Value(lines ? Role::Lines : Role::Other, depth)) return false;
      Space();
      if (Take('}')) return true;
      if (!Take(',')) return Fail("an unterminated object");
      Space();
    }
  }

  bool Array(bool lines, int depth) {
    Space();
    if (Take(']')) return true;
    for (;;) {
      if (!Value(lines ? Role::Line : Role::Other, depth)) return false;
      if (lines) ++line_;
      Space();
      if (Take(']')) return true;
      if (!Take(',')) return Fail("an unterminated array");
      Space();
    }
  }

  bool Number() {
    const auto digits = [&] {
      const size_t from = at_;
      while (at_ < buf_.size() && buf_[at_] >= '0' && buf_[at_] <= '9') ++at_;
      return at_ > from;
    };
    Take('-');
    if (!Take('0') && !digits()) return Fail("an illegal number");
    if (Take('.') && !digits()) return Fail("an illegal number");
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!digits()) return Fail("an illegal number");
    }
    return true;
  }

  // Four hex digits after "\u".
  bool Hex4(char32_t& code) {
    if (buf_.size() - at_ < 4) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = buf_[at_ + static_cast<size_t>(i)];
      const int v = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
      if (v < 0) return false;
      code = code * 16 + static_cast<char32_t>(v);
    }
    at_ += 4;
    return true;
  }

  bool Escape(char32_t& code) {
    const size_t start = at_ - 1;  // the backslash
    if (at_ >= buf_.size()) return Fail("an unterminated string");
    switch (buf_[at_++]) {
      case '"':
        code = '"';
        return true;
      case '\\':
        code = '\\';
        return true;
      case '/':
        code = '/';
        return true;
      case 'b':
        code = '\b';
        return true;
      case 'f':
        code = '\f';
        return true;
      case 'n':
        code = '\n';
        return true;
      case 'r':
        code = '\r';
        return true;
      case 't':
        code = '\t';
        return true;
      case 'u':
        break;
      default:
        at_ = start;
        return Fail("an invalid escape sequence");
    }
    if (!Hex4(code)) {
      at_ = start;
      return Fail("an invalid escape sequence");
    }
    if (code < 0xD800 || code > 0xDFFF) return true;
    char32_t low = 0;
    if (code <= 0xDBFF && buf_.compare(at_, 2, "\\u") == 0) {
      at_ += 2;
      if (Hex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        return true;
      }
    }
    // Its own text is plain ASCII, so the message stays valid UTF-8.
    const QString escape = QString::fromLatin1(buf_.data() + start, 6);
    at_ = start;
    return Fail("the escape " + escape + " is half of a surrogate pair and names no character");
  }

  // Writes the line's bytes at out_ (never past at_: see the header).
  bool String(bool line, bool key = false) {
    ++at_;  // the opening quote
    for (;;) {
      if (at_ >= buf_.size()) return Fail("an unterminated string");
      const char c = buf_[at_];
      char32_t code = 0;
      if (c == '"') {
        ++at_;
        break;
      }
      if (c == '\\') {
        ++at_;
        if (!Escape(code)) return false;
      } else if (!NextUtf8(buf_, at_, code)) {
        return Fail("invalid UTF-8 in a string");
      }
      if (key) {
        keyIsLines_ = keyIsLines_ && keyLength_ < 5 && code == char32_t("lines"[keyLength_]);
        ++keyLength_;
      }
      if (line && content_.isEmpty()) Put(code);
    }
    if (line && content_.isEmpty()) {
      buf_[out_++] = '\r';
      buf_[out_++] = '\n';
    }
    return true;
  }

  void Put(char32_t code) {
    const auto where = [this] { return QStringLiteral("lines[%1]").arg(line_); };
    if (code == '\r' || code == '\n') {
      return Refuse(400, where() + " holds a line break; give one receipt line per string");
    }
    char byte = 0;
    if (!FrontByteFor(code, byte)) {
      return Refuse(422, where() + ": " + NoByteFor(code) + " and cannot be printed");
    }
    buf_[out_++] = byte;
  }

  std::string buf_;
  size_t at_ = 0;   // where reading goes on
  size_t out_ = 0;  // where the next line byte goes
  QString syntax_;
  int contentStatus_ = 400;
  QString content_;
  bool topObject_ = false;
  bool linesArray_ = false;
  int linesKeys_ = 0;
  qsizetype line_ = 0;
  bool keyIsLines_ = false;
  size_t keyLength_ = 0;
};

}  // namespace

ReceiptBody ReceiptFromJson(std::string body) { return Reader(std::move(body)).Read(); }

}  // namespace vorn
