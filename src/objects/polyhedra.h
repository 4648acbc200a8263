#pragma once
// The regular solids drawn from constant corner and face tables: TNyxOctahedron,
// TNyxIcosahedron (corners at distance 0.5 from the origin) and TNyxDodecahedron
// (corners at about 0.52). They keep the base extent and radius and have no properties
// of their own; each face is its own primitive, counter-clockwise seen from outside,
// with a normal that is not of unit length (the panel keeps GL_NORMALIZE on).

#include "scene/shadow.h"

#include <cstdint>

namespace nyx {

class TNyxOctahedron : public TNyxShadowedObject {
    NYX_CLASS(TNyxOctahedron)
public:
    explicit TNyxOctahedron(TComponent* AOwner);
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
};

class TNyxIcosahedron : public TNyxShadowedObject {
    NYX_CLASS(TNyxIcosahedron)
public:
    explicit TNyxIcosahedron(TComponent* AOwner);
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
};

// Pushes and pops the modelview matrix around its faces.
class TNyxDodecahedron : public TNyxShadowedObject {
    NYX_CLASS(TNyxDodecahedron)
public:
    explicit TNyxDodecahedron(TComponent* AOwner);
    void DrawSpecific(std::uint32_t Face, bool Draft) override;
};

}  // namespace nyx
