#include "wire/FormBody.h"

#include "wire/FormEncoding.h"

namespace ostravel::wire {

FormBody& FormBody::Add(std::string_view key, std::string_view value) {
  if (fields_++ > 0) {
    encoded_ += '&';
    plain_ += '&';
  }
  AppendFormEncoded(encoded_, key, *code_page_, Ampersand::kInValue);
  encoded_ += '=';
  AppendFormEncoded(encoded_, value, *code_page_, Ampersand::kInValue);
  plain_.append(key).append("=").append(value);
  return *this;
}

FormBody& FormBody::Extend(std::string_view text) {
  AppendFormEncoded(encoded_, text, *code_page_, Ampersand::kInValue);
  plain_.append(text);
  return *this;
}

}  // namespace ostravel::wire
