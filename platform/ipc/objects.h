// Objects a program offers on its bus connection besides its windows: a
// standard desktop interface such as a media player's, served on the bus
// thread the program already has. Bus::ExportObject puts one at a path,
// Bus::RequestName gives the program a further well-known name, and
// Bus::EmitSignal announces changes.
//
// GDBus checks every incoming call against the object's introspection data
// before it reaches the handler: a wrong signature, an unknown method or
// property, or a write to a read-only property is answered InvalidArgs (or
// UnknownMethod) and never arrives. Callers of another user are refused.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

extern "C" {
typedef struct _GVariant GVariant;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
}

namespace wq::ipc {

struct Shared;
struct ObjectQueue;

// One incoming method call, always held by shared_ptr. It is answered exactly once, from any
// thread; a call dropped unanswered (its task never ran because the program's loop ended) is
// answered org.wqaudio.Error.NotHandled.
class Call : public std::enable_shared_from_this<Call> {
public:
    Call(GDBusMethodInvocation* invocation, std::shared_ptr<Shared> shared,
         std::shared_ptr<ObjectQueue> queue);
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    const char* Interface() const;
    const char* Method() const;
    // The argument tuple, valid for the life of the call.
    GVariant* Params() const;

    // The reply: a tuple (a floating one is consumed), or nullptr for none.
    void Return(GVariant* tuple = nullptr);
    void Fail(const char* errorName, const std::string& message);

    // Runs `work` on the GUI thread in order with the program's posted
    // messages, so the call acts exactly where a tap arriving now would. At
    // most the object's queue limit of calls wait at a time; beyond it the
    // call is refused with org.wqaudio.Error.Busy at once and `work` never
    // runs. `work` answers the call (an unanswered one gets an empty reply).
    void RunOnGui(std::function<void(Call& call)> work);

private:
    GDBusMethodInvocation* m_invocation;
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<ObjectQueue> m_queue;
    bool m_counted = false;
};

class ObjectHandler {
public:
    virtual ~ObjectHandler() = default;

    // Bus thread: a method call, or a write of a writable property, which
    // arrives as Interface() "org.freedesktop.DBus.Properties", Method()
    // "Set" and Params() (ssv) whose value already has the property's type.
    // Must not wait for the GUI thread: hand the work over with RunOnGui.
    virtual void OnCall(std::shared_ptr<Call> call) = 0;

    // Bus thread: the value of a readable property (a floating or new
    // reference), nullptr when there is none. Answered at once, also while
    // the GUI thread is busy, so it must not wait for that thread.
    virtual GVariant* GetProperty(std::string_view iface, std::string_view name) = 0;
};

}  // namespace wq::ipc
