#pragma once
// The display-list names of one share group, handed out from large blocks reserved from
// the driver at once. Asking the driver for each list on its own costs more with every
// list the group holds (it searches its name store from the start), so a scene of many
// lists would build in time that grows with the square of their number.

#include <cstddef>
#include <map>
#include <set>

#include "gl/opengl.h"

namespace nyx::detail {

class TListNames {
public:
    // Names reserved from the driver at once; a request larger than a quarter of it gets
    // a block of its own.
    static constexpr GLsizei BlockSize = 1024;

    TListNames() = default;
    TListNames(const TListNames&) = delete;
    TListNames& operator=(const TListNames&) = delete;

    // Count consecutive names; 0 when the driver has none left. A name may still hold
    // what was compiled into it before it was given back: compile it before calling it.
    // A context of the group must be current.
    GLuint Allocate(GLsizei Count);
    // Whether Base lies in a block of this allocator.
    bool Owns(GLuint Base) const;
    // Takes back Count names from Base (handed out together or not). Their lists keep
    // their contents until the names are compiled again or their block goes back to the
    // driver, which happens as soon as none of its names is in use. A context of the
    // group must be current.
    void Release(GLuint Base, GLsizei Count);

    std::size_t InUse() const { return FInUse; }
    std::size_t Blocks() const { return FBlocks.size(); }

private:
    struct TBlock {
        GLuint Base = 0;
        GLsizei Size = 0;
        GLsizei Used = 0;
        std::map<GLuint, GLsizei> Free;  // first name -> length, never touching each other
    };

    // Names of B taken from its free range At, from its start.
    GLuint Take(TBlock& B, std::map<GLuint, GLsizei>::iterator At, GLsizei Count);
    // Returns [Base, Base + Count) to B's free ranges, joining its neighbours.
    static void Give(TBlock& B, GLuint Base, GLsizei Count);

    std::map<GLuint, TBlock> FBlocks;  // by first name
    std::set<GLuint> FWithRoom;        // blocks with a free name, by first name
    std::size_t FInUse = 0;
};

}  // namespace nyx::detail
