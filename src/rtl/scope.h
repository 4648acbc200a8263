#pragma once
// Scopes that undo something when they end, however they end: the one way this library
// writes "do, and undo also when an exception leaves" (instead of catch (...) { undo;
// throw; } and the undo repeated after it).
//
//   const TOnExit done([&] { Component->SetWriting(wasWriting); });  // always
//   const TOnFailure drop([&] { glDeleteLists(name, 1); });           // only when unwinding
//   const TUpdateScope update(*collection);                           // BeginUpdate/EndUpdate
//   const TRestore keep(FParent, Parent);                             // the old value back
//
// An undo that raises while another exception is already unwinding is dropped (the first
// error is the one that tells what went wrong); at an ordinary end it reaches the caller,
// as the code written after the work used to.

#include <exception>
#include <utility>

namespace nyx {

namespace detail {
// Runs Fn at the end of a scope that began when Unwinding exceptions were in flight.
template <typename F>
void RunUndo(F& Fn, int Unwinding) {
    if (std::uncaught_exceptions() == Unwinding) {
        Fn();
        return;
    }
    try {
        Fn();
    } catch (...) {}
}
}  // namespace detail

// Runs Fn when the scope ends.
template <typename F>
class TOnExit {
public:
    explicit TOnExit(F Fn) : FFn(std::move(Fn)) {}
    ~TOnExit() noexcept(false) { detail::RunUndo(FFn, FUnwinding); }
    TOnExit(const TOnExit&) = delete;
    TOnExit& operator=(const TOnExit&) = delete;

private:
    F FFn;
    int FUnwinding = std::uncaught_exceptions();
};

// Runs Fn when an exception leaves the scope, and not at an ordinary end.
template <typename F>
class TOnFailure {
public:
    explicit TOnFailure(F Fn) : FFn(std::move(Fn)) {}
    ~TOnFailure() {
        if (std::uncaught_exceptions() > FUnwinding)
            detail::RunUndo(FFn, FUnwinding);
    }
    TOnFailure(const TOnFailure&) = delete;
    TOnFailure& operator=(const TOnFailure&) = delete;

private:
    F FFn;
    int FUnwinding = std::uncaught_exceptions();
};

// Holds Target's updates back (BeginUpdate) for the length of the scope (EndUpdate).
template <typename T>
class TUpdateScope {
public:
    explicit TUpdateScope(T& Target) : FTarget(Target) { FTarget.BeginUpdate(); }
    ~TUpdateScope() noexcept(false) {
        auto end = [this] { FTarget.EndUpdate(); };
        detail::RunUndo(end, FUnwinding);
    }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    T& FTarget;
    int FUnwinding = std::uncaught_exceptions();
};

// Gives Field the value it had at the start back when the scope ends; the second form
// sets a value for the length of the scope.
template <typename T>
class TRestore {
public:
    explicit TRestore(T& Field) : FField(Field), FSaved(Field) {}
    TRestore(T& Field, T Value) : FField(Field), FSaved(std::exchange(Field, std::move(Value))) {}
    ~TRestore() { FField = std::move(FSaved); }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& FField;
    T FSaved;
};

}  // namespace nyx
