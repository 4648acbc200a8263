// The list-name allocator of a share group (gl/detail/listnames.h).
#include "gl/detail/listnames.h"

namespace nyx::detail {
GLuint TListNames::Allocate(GLsizei Count) {
    if (Count <= 0)
        return 0;
    if (Count > BlockSize / 4) {
        const GLuint base = glGenLists(Count);
        if (base == 0)
            return 0;
        FBlocks[base] = TBlock{base, Count, Count, {}};
        FInUse += std::size_t(Count);
        return base;
    }
    for (const GLuint first : FWithRoom) {
        TBlock& block = FBlocks.at(first);
        for (auto range = block.Free.begin(); range != block.Free.end(); ++range)
            if (range->second >= Count)
                return Take(block, range, Count);
    }
    const GLuint base = glGenLists(BlockSize);
    if (base == 0)
        return 0;
    TBlock& block = FBlocks[base] = TBlock{base, BlockSize, 0, {{base, BlockSize}}};
    FWithRoom.insert(base);
    return Take(block, block.Free.begin(), Count);
}

GLuint TListNames::Take(TBlock& B, std::map<GLuint, GLsizei>::iterator At, GLsizei Count) {
    const GLuint name = At->first;
    const GLsizei left = At->second - Count;
    B.Free.erase(At);
    if (left > 0)
        B.Free.emplace(name + GLuint(Count), left);
    B.Used += Count;
    FInUse += std::size_t(Count);
    if (B.Free.empty())
        FWithRoom.erase(B.Base);
    return name;
}

void TListNames::Give(TBlock& B, GLuint Base, GLsizei Count) {
    auto next = B.Free.lower_bound(Base);
    if (next != B.Free.begin()) {
        auto prev = std::prev(next);
        if (prev->first + GLuint(prev->second) == Base) {
            Base = prev->first;
            Count += prev->second;
            B.Free.erase(prev);
        }
    }
    if (next != B.Free.end() && Base + GLuint(Count) == next->first) {
        Count += next->second;
        B.Free.erase(next);
    }
    B.Free.emplace(Base, Count);
}

bool TListNames::Owns(GLuint Base) const {
    auto it = FBlocks.upper_bound(Base);
    if (it == FBlocks.begin())
        return false;
    --it;
    return Base - it->first < GLuint(it->second.Size);
}

void TListNames::Release(GLuint Base, GLsizei Count) {
    auto it = FBlocks.upper_bound(Base);
    if (Count <= 0 || it == FBlocks.begin())
        return;
    --it;
    TBlock& block = it->second;
    if (Base - block.Base >= GLuint(block.Size) ||
        GLuint(Count) > GLuint(block.Size) - (Base - block.Base) || Count > block.Used)
        return;
    block.Used -= Count;
    FInUse -= std::size_t(Count);
    if (block.Used == 0) {
        glDeleteLists(block.Base, block.Size);
        FWithRoom.erase(block.Base);
        FBlocks.erase(it);
        return;
    }
    Give(block, Base, Count);
    FWithRoom.insert(block.Base);
}

}  // namespace nyx::detail
