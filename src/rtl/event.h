#pragma once
// Bound callbacks: a receiver plus a method, as the framework's events are.
// Two callbacks bound to the same method compare equal in `SameMethod` whatever
// their receivers, which is what listener registries that ignore the receiver need.

namespace nyx {

template <class... Args>
class TEvent {
public:
    using Thunk = void (*)(void* receiver, Args... args);

    TEvent() = default;
    TEvent(void* receiver, Thunk code) : FReceiver(receiver), FCode(code) {}

    // TEvent<...>::Bind<&T::Method>(receiver)
    template <auto Method, class T>
    static TEvent Bind(T* receiver) {
        return TEvent(const_cast<void*>(static_cast<const void*>(receiver)),
                      [](void* r, Args... a) { (static_cast<T*>(r)->*Method)(a...); });
    }
    // A plain function: TEvent<...>::Bind<&Function>()
    template <auto Function>
    static TEvent Bind() {
        return TEvent(nullptr, [](void*, Args... a) { Function(a...); });
    }

    explicit operator bool() const { return FCode != nullptr; }
    void operator()(Args... args) const {
        if (FCode)
            FCode(FReceiver, args...);
    }
    bool SameMethod(const TEvent& other) const { return FCode == other.FCode; }
    bool operator==(const TEvent& other) const = default;
    void* Receiver() const { return FReceiver; }

private:
    void* FReceiver = nullptr;
    Thunk FCode = nullptr;
};

class TObject;
using TNotifyEvent = TEvent<TObject*>;

}  // namespace nyx
