#include "shell/layout/callback_text.h"

#include <cctype>
#include <charconv>

#include "runtime/error.h"

namespace vexmoor {
namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : m_text(text) {}

  CallExpression parseAll() {
    CallExpression call = parseCall();
    skipSpace();
    if (peek() == ';') {
      ++m_pos;
      skipSpace();
    }
    if (m_pos != m_text.size()) {
      fail("unexpected \"" + std::string(1, m_text[m_pos]) + "\"");
    }
    return call;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw Error("callback \"" + std::string(m_text) + "\", column " + std::to_string(m_pos + 1) +
                ": " + why);
  }

  char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }

  void skipSpace() {
    while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) {
      ++m_pos;
    }
  }

  CallExpression parseCall() {
    skipSpace();
    if (!std::isalpha(static_cast<unsigned char>(peek()))) {
      fail("a name of an operation is expected");
    }
    size_t start = m_pos;
    while (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '_') {
      ++m_pos;
    }
    CallExpression call{std::string(m_text.substr(start, m_pos - start)), {}};
    skipSpace();
    if (peek() != '(') {
      return call;
    }
    ++m_pos;
    skipSpace();
    if (peek() == ')') {
      ++m_pos;
      return call;
    }
    // Each argument consumes at least one character, so the text bounds
    // the loop.
    while (true) {
      call.args.push_back(parseArgument());
      skipSpace();
      if (peek() == ',') {
        ++m_pos;
      } else if (peek() == ')') {
        ++m_pos;
        return call;
      } else {
        fail("\",\" or \")\" is expected");
      }
    }
  }

  CallArgument parseArgument() {
    skipSpace();
    char c = peek();
    if (c == '\'') {
      return {textValue(parseText())};
    }
    if (c == '[') {
      return {parseRow()};
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      return {scalarValue(parseNumber())};
    }
    return {std::make_shared<CallExpression>(parseCall())};
  }

  std::string parseText() {
    ++m_pos;  // opening quote
    std::string out;
    while (m_pos < m_text.size()) {
      char c = m_text[m_pos++];
      if (c != '\'') {
        out += c;
      } else if (peek() == '\'') {
        out += '\'';
        ++m_pos;
      } else {
        return out;
      }
    }
    fail("the text has no closing quote");
  }

  double parseNumber() {
    skipSpace();
    const char* begin = m_text.data() + m_pos;
    const char* end = m_text.data() + m_text.size();
    if (*begin == '+') {
      ++begin;
    }
    double v = 0;
    auto [ptr, ec] = std::from_chars(begin, end, v);
    if (ec != std::errc()) {
      fail("a number is expected");
    }
    m_pos = static_cast<size_t>(ptr - m_text.data());
    return v;
  }

  Value parseRow() {
    ++m_pos;  // [
    std::vector<double> values;
    while (true) {
      skipSpace();
      if (peek() == ']') {
        ++m_pos;
        break;
      }
      if (peek() == ',') {
        ++m_pos;
        continue;
      }
      if (m_pos >= m_text.size()) {
        fail("the row has no closing bracket");
      }
      values.push_back(parseNumber());
    }
    if (values.empty()) {
      return Matrix(0, 0);
    }
    Matrix m(1, static_cast<Index>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) {
      m(0, static_cast<Index>(i)) = values[i];
    }
    return m;
  }

  std::string_view m_text;
  size_t m_pos = 0;
};

}  // namespace

CallExpression parseCallbackText(std::string_view text) {
  return Parser(text).parseAll();
}

}  // namespace vexmoor
