#include "com/simhost/MessageObject.h"

#include <cstring>
#include <utility>
#include <vector>

#include "com/simhost/Guarded.h"
#include "base/Error.h"

namespace ostravel::com::simhost {
namespace {

// The bytes as a VT_ARRAY | VT_UI1 SAFEARRAY, written to an empty VARIANT.
void ToByteArray(const std::vector<std::uint8_t>& bytes, VARIANT* out) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) ThrowIfFailed(E_OUTOFMEMORY);
  void* data = nullptr;
  if (const HRESULT hr = SafeArrayAccessData(array, &data); FAILED(hr)) {
    SafeArrayDestroy(array);
    ThrowIfFailed(hr);
  }
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(array);
  out->vt = VT_ARRAY | VT_UI1;
  out->parray = array;
}

}  // namespace

template <class Interface>
MessageReader<Interface>::MessageReader(const host::MessageMember& member, MessageLease lease,
                                        std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), member_(member), lease_(std::move(lease)) {}

template <class Interface>
const host::MessageMember& MessageReader<Interface>::Member() const {
  if (!*lease_) {
    throw Error(error_number::kInvalidCall, "The message is no longer available", "DecalFilters");
  }
  return member_;
}

template <class Interface>
HRESULT MessageReader<Interface>::get_Value(BSTR name, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  return Guarded([&] { ToVariant(Member().Value(ToUtf8(name)), value); });
}

template <class Interface>
HRESULT MessageReader<Interface>::get_RawValue(BSTR name, VARIANT* bytes) {
  if (!bytes) return E_POINTER;
  VariantInit(bytes);
  return Guarded([&] { ToByteArray(Member().RawValue(ToUtf8(name)), bytes); });
}

template <class Interface>
HRESULT MessageReader<Interface>::get_Struct(BSTR name, IDecalMessageMember** member) {
  if (!member) return E_POINTER;
  *member = nullptr;
  return Guarded([&] {
    const auto& found = Member().Struct(ToUtf8(name));
    *member = MakeComObject<MessageMemberObject>(found, lease_, Counters()).Detach();
  });
}

template <class Interface>
HRESULT MessageReader<Interface>::get_StructAt(LONG index, IDecalMessageMember** member) {
  if (!member) return E_POINTER;
  *member = nullptr;
  return Guarded([&] {
    const auto& found = Member().Struct(static_cast<std::int32_t>(index));
    *member = MakeComObject<MessageMemberObject>(found, lease_, Counters()).Detach();
  });
}

template class MessageReader<IDecalMessageMember>;
template class MessageReader<IDecalMessage>;

MessageMemberObject::MessageMemberObject(const host::MessageMember& member, MessageLease lease,
                                         std::shared_ptr<HostCounters> counters)
    : MessageReader(member, std::move(lease), std::move(counters)) {}

MessageObject::MessageObject(const host::Message& message, MessageLease lease,
                             std::shared_ptr<HostCounters> counters)
    : MessageReader(message, std::move(lease), std::move(counters)), message_(message) {}

HRESULT MessageObject::get_Type(LONG* type) {
  if (!type) return E_POINTER;
  return Guarded([&] {
    Member();  // fails once the event is over
    *type = message_.Type();
  });
}

}  // namespace ostravel::com::simhost
