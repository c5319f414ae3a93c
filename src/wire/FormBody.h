#pragma once

#include <string>
#include <string_view>

namespace ostravel::platform {
class CodePage;
}

namespace ostravel::wire {

// The body of one form POST to the web service, built field by field and encoded as each
// field is added, so that a value can never split into two fields: an "&" inside a value goes
// as %26, everything else as FormEncoded writes it. The code page must outlive the body.
class FormBody {
 public:
  explicit FormBody(const platform::CodePage& code_page) : code_page_(&code_page) {}

  // Appends key=value, behind an "&" unless it is the first field.
  FormBody& Add(std::string_view key, std::string_view value);
  // Appends text to the value added last; the character record ends some groups of fields
  // with line feeds that travel inside the last value of the group.
  FormBody& Extend(std::string_view text);

  // The body as it is sent: plain ASCII.
  const std::string& Encoded() const { return encoded_; }
  // The fields as text, unencoded: for the log when a body cannot be finished.
  const std::string& Plain() const { return plain_; }
  bool Empty() const { return fields_ == 0; }

 private:
  const platform::CodePage* code_page_;
  std::string encoded_;
  std::string plain_;
  std::size_t fields_ = 0;
};

}  // namespace ostravel::wire
