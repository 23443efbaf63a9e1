#include "contract/delimited.h"

#include <cstring>

#include "contract/missing.h"
#include "contract/numscan.h"

namespace {

bool is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool ends_with(std::string_view name, std::string_view ext) {
  if (name.size() < ext.size()) return false;
  for (std::size_t i = 0; i < ext.size(); ++i) {
    char c = name[name.size() - ext.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != ext[i]) return false;
  }
  return true;
}

}  // namespace

char table_separator(std::string_view name, bool csv, char csv_sep) {
  const bool tsv = ends_with(name, ".tsv");
  if (csv) return csv_sep != 0 ? csv_sep : tsv ? '\t' : ',';
  if (ends_with(name, ".csv")) return ',';
  return tsv ? '\t' : 0;
}

std::string_view trim_field(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && is_space(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && is_space(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

bool field_number(std::string_view field, double *x) {
  const std::string_view t = trim_field(field);
  if (t.empty()) return false;
  // The trimmed text is followed by white space or the field's NUL, where
  // every conversion stops.
  std::size_t consumed = 0;
  return scan_numbers(t.data(), 1, x, &consumed) == 1 && consumed == t.size();
}

bool is_missing_field(std::string_view field) {
  const std::string_view t = trim_field(field);
  return t.empty() || is_missing_token(t);
}

RecordReader::RecordReader(LineReader &in, char sep) : in_(in), sep_(sep), buf_(4096) {}

bool RecordReader::read_line() {
  len_ = 0;
  for (;;) {
    if (buf_.size() - len_ < 2) buf_.resize(buf_.size() * 2);
    std::size_t got = 0;
    if (!in_.gets(buf_.data() + len_, buf_.size() - len_, &got)) break;
    len_ += got;
    if (buf_[len_ - 1] == '\n') break;
  }
  if (len_ == 0) return false;
  ++line_no_;
  return true;
}

std::size_t RecordReader::content_end() const {
  std::size_t e = len_;
  if (e > 0 && buf_[e - 1] == '\n') --e;
  if (e > 0 && buf_[e - 1] == '\r') --e;
  return e;
}

void RecordReader::begin_field() { fields_.push_back(Field{text_.size(), 0, line_no_}); }

void RecordReader::end_field() {
  fields_.back().size = text_.size() - fields_.back().begin;
  text_.push_back('\0');
}

RecordReader::Status RecordReader::next(bool empty_line_is_field) {
  for (;;) {
    text_.clear();
    fields_.clear();
    if (!read_line()) return Status::end;
    std::size_t at = 0;
    if (line_no_ == 1 && len_ >= 3 && std::memcmp(buf_.data(), "\xEF\xBB\xBF", 3) == 0) at = 3;
    if (at < len_ && buf_[at] == '#') continue;
    record_line_ = line_no_;
    if (content_end() == at) {
      if (!empty_line_is_field) continue;
      begin_field();
      end_field();
      return Status::record;
    }
    return parse(at);
  }
}

RecordReader::Status RecordReader::parse(std::size_t at) {
  enum class State { start, plain, quoted, after_quote } state = State::start;
  std::size_t i = at;
  std::size_t e = content_end();
  std::string blanks;  // blanks after a closing quote, kept in case text follows
  begin_field();
  for (;;) {
    const char *b = buf_.data();
    switch (state) {
      case State::start: {
        std::size_t j = i;
        while (j < e && is_blank(b[j])) ++j;
        if (j < e && b[j] == '"') {
          quote_line_ = line_no_;
          quote_column_ = fields_.size();
          i = j + 1;
          state = State::quoted;
        } else {
          state = State::plain;
        }
        break;
      }
      case State::plain: {
        const void *s = std::memchr(b + i, sep_, e - i);
        const std::size_t j = s != nullptr ? static_cast<std::size_t>(static_cast<const char *>(s) - b) : e;
        text_.append(b + i, j - i);
        end_field();
        if (j == e) return Status::record;
        begin_field();
        i = j + 1;
        state = State::start;
        break;
      }
      case State::quoted: {
        // Inside quotes the line end is part of the field, as it stands.
        const void *q = std::memchr(b + i, '"', len_ - i);
        if (q == nullptr) {
          text_.append(b + i, len_ - i);
          if (!read_line()) return Status::open_quote;
          i = 0;
          e = content_end();
          break;
        }
        const std::size_t j = static_cast<std::size_t>(static_cast<const char *>(q) - b);
        text_.append(b + i, j - i);
        if (j + 1 < len_ && b[j + 1] == '"') {
          text_.push_back('"');
          i = j + 2;
        } else {
          i = j + 1;
          blanks.clear();
          state = State::after_quote;
        }
        break;
      }
      case State::after_quote: {
        if (i >= e) {
          end_field();
          return Status::record;
        }
        if (b[i] == sep_) {
          end_field();
          begin_field();
          ++i;
          state = State::start;
        } else if (is_blank(b[i])) {
          blanks.push_back(b[i]);
          ++i;
        } else {
          // Text after the closing quote: the field is taken with its
          // quotes, which no number holds, and the rest as it stands.
          const std::size_t begin = fields_.back().begin;
          const std::string content = text_.substr(begin);
          text_.resize(begin);
          text_.push_back('"');
          text_ += content;
          text_.push_back('"');
          text_ += blanks;
          state = State::plain;
        }
        break;
      }
    }
  }
}

bool TableShape::kept(std::size_t c) const {
  if (c >= numeric.size() || !numeric[c]) return false;
  return !(c == 0 && header && first[0].empty());
}

TableShape examine_table(LineReader &in, char sep, int names) {
  TableShape shape;
  RecordReader reader(in, sep);
  RecordReader::Status status = reader.next();
  if (status == RecordReader::Status::end) {
    shape.problem = TableShape::Problem::no_record;
    return shape;
  }
  bool any_text = false;
  double x = 0.0;
  for (;;) {
    if (status == RecordReader::Status::end) return shape;
    if (status == RecordReader::Status::open_quote) {
      shape.problem = TableShape::Problem::open_quote;
      shape.line = reader.quote_line();
      shape.column = reader.quote_column();
      return shape;
    }
    if (shape.width == 0) {
      shape.width = reader.size();
      shape.numeric.assign(shape.width, false);
      for (std::size_t c = 0; c < shape.width; ++c) {
        const std::string_view f = reader.field(c);
        shape.first.emplace_back(trim_field(f));
        if (!field_number(f, &x) && !is_missing_field(f)) any_text = true;
      }
      shape.header = names == 1 || (names == -1 && any_text);
      if (shape.header) {
        status = reader.next(shape.width == 1);
        continue;
      }
    } else if (reader.size() != shape.width) {
      shape.problem = TableShape::Problem::wrong_length;
      shape.line = reader.line();
      return shape;
    }
    ++shape.rows;
    for (std::size_t c = 0; c < shape.width; ++c)
      if (!shape.numeric[c] && field_number(reader.field(c), &x)) shape.numeric[c] = true;
    status = reader.next(shape.width == 1);
  }
}
