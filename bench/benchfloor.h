#pragma once
// A 40 x 40 floor in the z = 0 plane that receives the shadows of the shadow benchmarks.

#include "gl/opengl.h"
#include "scene/shadow.h"

#include <cstdint>

namespace nyx::bench {

class TBenchFloor : public TNyxShadowedObject {
public:
    using TNyxShadowedObject::TNyxShadowedObject;
    void DrawSpecific(std::uint32_t, bool) override {
        glNormal3f(0, 0, 1);
        glBegin(GL_QUADS);
        glVertex3d(-20, -20, 0);
        glVertex3d(20, -20, 0);
        glVertex3d(20, 20, 0);
        glVertex3d(-20, 20, 0);
        glEnd();
    }
    double GetRadius() const override { return 29; }
};

}  // namespace nyx::bench
