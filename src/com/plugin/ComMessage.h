#pragma once

#include <map>
#include <memory>
#include <string>

#include "com/ComSupport.h"
#include "host/Message.h"

namespace ostravel::com {

// A server message or one of its sub-structures through IDecalMessageMember. Sub-structures
// are made once and kept by their parent, so the references handed out stay valid while the
// message lives.
class ComMessageMember : public host::MessageMember {
 public:
  explicit ComMessageMember(ComPtr<IDecalMessageMember> member);

  host::Variant Value(std::string_view name) const override;
  std::vector<std::uint8_t> RawValue(std::string_view name) const override;
  const MessageMember& Struct(std::string_view name) const override;
  const MessageMember& Struct(std::int32_t index) const override;

 private:
  ComPtr<IDecalMessageMember> member_;
  mutable std::map<std::string, std::unique_ptr<ComMessageMember>, std::less<>> by_name_;
  mutable std::map<std::int32_t, std::unique_ptr<ComMessageMember>> by_index_;
};

class ComMessage final : public host::Message {
 public:
  explicit ComMessage(ComPtr<IDecalMessage> message);

  std::int32_t Type() const override;
  host::Variant Value(std::string_view name) const override { return whole_.Value(name); }
  std::vector<std::uint8_t> RawValue(std::string_view name) const override {
    return whole_.RawValue(name);
  }
  const MessageMember& Struct(std::string_view name) const override { return whole_.Struct(name); }
  const MessageMember& Struct(std::int32_t index) const override { return whole_.Struct(index); }

 private:
  ComPtr<IDecalMessage> message_;
  ComMessageMember whole_;
};

}  // namespace ostravel::com
