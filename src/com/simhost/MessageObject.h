#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"
#include "host/Message.h"

namespace ostravel::com::simhost {

// Whether the message behind a message object (and its sub-structures) may still be read.
// The host's message lives only while its event is being raised; afterwards every call fails
// rather than reading freed memory.
using MessageLease = std::shared_ptr<const bool>;

// The reading operations of a message and of each of its sub-structures.
template <class Interface>
class MessageReader : public ComObject<Interface>, protected Counted {
 public:
  STDMETHOD(get_Value)(BSTR name, VARIANT* value) override;
  STDMETHOD(get_RawValue)(BSTR name, VARIANT* bytes) override;
  STDMETHOD(get_Struct)(BSTR name, IDecalMessageMember** member) override;
  STDMETHOD(get_StructAt)(LONG index, IDecalMessageMember** member) override;

 protected:
  MessageReader(const host::MessageMember& member, MessageLease lease,
                std::shared_ptr<HostCounters> counters);
  // The message, or Error when its event is over.
  const host::MessageMember& Member() const;

 private:
  const host::MessageMember& member_;
  MessageLease lease_;
};

// A sub-structure of a server message.
class MessageMemberObject final : public MessageReader<IDecalMessageMember> {
 public:
  MessageMemberObject(const host::MessageMember& member, MessageLease lease,
                      std::shared_ptr<HostCounters> counters);
};

// A whole server message, readable while its EchoServer event is being raised.
class MessageObject final : public MessageReader<IDecalMessage> {
 public:
  MessageObject(const host::Message& message, MessageLease lease,
                std::shared_ptr<HostCounters> counters);
  STDMETHOD(get_Type)(LONG* type) override;

 private:
  const host::Message& message_;
};

}  // namespace ostravel::com::simhost
