#pragma once
// TNyxGLState: the material, line and point state that the primitives set as they draw,
// applied through one path whether what they draw goes to the screen or into a display
// list. A frame has one (TNyxFrame::State) and chooses how it applies what it is asked:
//
// - Eager, while drawing straight or compiling one object's geometry: every call is made
//   in full, as if nothing were known, and the attribute bracket of a line (point) is
//   pushed before it and popped after it.
// - Lazy, while a group's list is compiled: what the list has set so far is remembered.
//   A material call that would set what is set already is left out, and the bracket of
//   lines (points) stays open from one such primitive to the next while their state
//   stays the same, so that consecutive lines form one run of vertices, which the driver
//   replays far faster. The bracket is closed before anything else is drawn and at the
//   end of the list.
//
// A primitive opens a scope with the state it wants (TLines, TPoints, TApart) and draws;
// it never asks which of the two it draws through.
//
//   const TNyxGLState::TLines lines(GLState(), Width(), false, 0, Smooth());
//   glBegin(GL_LINES); ... glEnd();

#include "gl/gl_fwd.h"
#include "scene/material.h"

#include <array>
#include <cstdint>

namespace nyx {

class TNyxGLState {
public:
    enum class TMode { Eager, Lazy };
    explicit TNyxGLState(TMode Mode) : FLazy(Mode == TMode::Lazy) {}
    TNyxGLState(const TNyxGLState&) = delete;
    TNyxGLState& operator=(const TNyxGLState&) = delete;

    // Both faces of M, as M.ApplayMaterial(GL_FRONT_AND_BACK) sets them. A textured
    // material is sent whole each time.
    void ApplyMaterial(const TNyxMaterial& M);
    // Ends the open bracket, before drawing what is not drawn in one (lazy: nothing is
    // left open in eager mode).
    void CloseBracket();
    // Calls a list: whatever state it sets is not known after it.
    void CallList(GLuint Name);

private:
    // An attribute bracket: its attribute bit (0 for none) and the state it sets.
    struct TBracket {
        GLbitfield Bit = 0;
        float Size = 0;
        bool Stippled = false;
        std::uint16_t Pattern = 0;
        bool Smooth = false;
        bool operator==(const TBracket&) const = default;
    };

    // The scope of one primitive in a bracket: pushes Wanted's attribute bit unless it
    // is open already (lazy), and pops it at the end in eager mode.
    class TScope {
    public:
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    protected:
        TScope(TNyxGLState& State, const TBracket& Wanted);
        ~TScope();
        // Whether this scope pushed the bracket, whose state it then sets.
        bool Opened() const { return FOpened; }

    private:
        TNyxGLState& FState;
        bool FOpened;
    };

public:
    // A line primitive: line width, stipple pattern (when Stippled), the normal +x and
    // smoothing.
    class TLines : private TScope {
    public:
        TLines(TNyxGLState& State, float Width, bool Stippled, std::uint16_t Pattern, bool Smooth);
    };

    // A point primitive: point size and smoothing. The normal +x is given with the first
    // vertex after the bracket opens: Begin stands for glBegin.
    class TPoints : private TScope {
    public:
        TPoints(TNyxGLState& State, float Size, bool Smooth);
        void Begin(GLenum Mode) const;
    };

    // Drawing with attributes of its own, in no bracket (the selection box): the open
    // bracket closed, Mask pushed, and popped at the end in either mode.
    class TApart {
    public:
        TApart(TNyxGLState& State, GLbitfield Mask);
        ~TApart();
        TApart(const TApart&) = delete;
        TApart& operator=(const TApart&) = delete;
    };

private:
    struct TFace {
        bool Known = false;
        std::array<TRGBAf, 4> RGBA{};
        float Shininess = 0;
    };
    // Sets what differs from Known (nothing unless Emit), then remembers F.
    static void ApplyFace(TFace& Known, const TNyxFaceMaterial& F, bool Emit);
    // Whether Wanted must be pushed (always when eager); the open bracket is closed
    // first.
    bool Reopen(const TBracket& Wanted);

    bool FLazy;
    TFace FFront, FBack;
    TBracket FBracket;  // lazy: the open one
};

}  // namespace nyx
