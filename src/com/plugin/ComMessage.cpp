#include "com/plugin/ComMessage.h"

namespace ostravel::com {
namespace {

// The bytes of a VT_ARRAY | VT_UI1 value.
std::vector<std::uint8_t> BytesOf(const VARIANT& value) {
  if (value.vt != (VT_ARRAY | VT_UI1) || !value.parray || SafeArrayGetDim(value.parray) != 1) {
    throw Error(error_number::kTypeMismatch, "Type mismatch");
  }
  LONG lower = 0;
  LONG upper = -1;
  ThrowIfFailed(SafeArrayGetLBound(value.parray, 1, &lower));
  ThrowIfFailed(SafeArrayGetUBound(value.parray, 1, &upper));
  void* data = nullptr;
  ThrowIfFailed(SafeArrayAccessData(value.parray, &data));
  const auto* first = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> bytes(first, first + (upper - lower + 1));
  SafeArrayUnaccessData(value.parray);
  return bytes;
}

}  // namespace

ComMessageMember::ComMessageMember(ComPtr<IDecalMessageMember> member)
    : member_(std::move(member)) {
  if (!member_) {
    throw Error(error_number::kObjectNotSet, "Object variable or With block variable not set");
  }
}

host::Variant ComMessageMember::Value(std::string_view name) const {
  Bstr bstr(name);
  UniqueVariant value;
  ThrowIfFailed(member_->get_Value(bstr.Get(), value.Put()));
  return FromVariant(value.Get());
}

std::vector<std::uint8_t> ComMessageMember::RawValue(std::string_view name) const {
  Bstr bstr(name);
  UniqueVariant value;
  ThrowIfFailed(member_->get_RawValue(bstr.Get(), value.Put()));
  return BytesOf(value.Get());
}

const host::MessageMember& ComMessageMember::Struct(std::string_view name) const {
  if (auto found = by_name_.find(name); found != by_name_.end()) return *found->second;
  Bstr bstr(name);
  ComPtr<IDecalMessageMember> member;
  ThrowIfFailed(member_->get_Struct(bstr.Get(), member.GetAddressOf()));
  auto& slot = by_name_[std::string(name)];
  slot = std::make_unique<ComMessageMember>(std::move(member));
  return *slot;
}

const host::MessageMember& ComMessageMember::Struct(std::int32_t index) const {
  if (auto found = by_index_.find(index); found != by_index_.end()) return *found->second;
  ComPtr<IDecalMessageMember> member;
  ThrowIfFailed(member_->get_StructAt(index, member.GetAddressOf()));
  auto& slot = by_index_[index];
  slot = std::make_unique<ComMessageMember>(std::move(member));
  return *slot;
}

ComMessage::ComMessage(ComPtr<IDecalMessage> message)
    : message_(std::move(message)), whole_(ComPtr<IDecalMessageMember>(message_.Get())) {}

std::int32_t ComMessage::Type() const {
  LONG type = 0;
  ThrowIfFailed(message_->get_Type(&type));
  return type;
}

}  // namespace ostravel::com
