#pragma once
// Reading recorded draw calls back as geometry: the primitives with the normal and
// texture coordinate each vertex was emitted with, for tests of the primitives.

#include "gl/opengl.h"
#include "rtl/graphics.h"
#include "scene/material.h"
#include "scene/object.h"
#include "testing/glrecorder.h"
#include "testing/offscreen.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace nyx::test {

// --- Reading the log back -----------------------------------------------------------

inline std::string Fn(const std::string& call) { return call.substr(0, call.find('(')); }

// The numbers among a call's arguments, in order.
inline std::vector<double> Args(const std::string& call) {
    std::string text = call.substr(call.find('(') + 1);
    for (char& c : text)
        if (c == ',' || c == '{' || c == '}' || c == ')')
            c = ' ';
    std::istringstream in(text);
    std::vector<double> out;
    std::string word;
    while (in >> word) {
        try {
            out.push_back(std::stod(word));
        } catch (const std::exception&) {}
    }
    return out;
}

using V3 = std::array<double, 3>;

inline V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline V3 Cross(const V3& a, const V3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// One corner as the GL state saw it when its vertex was emitted.
struct TCorner {
    V3 Pos, Normal;
    bool HasTex;
    double S, T;
    std::array<double, 4> Color;  // of the last glColor4fv, white before any
};

struct TPrimitive {
    std::string Mode;
    std::vector<TCorner> Corners;
};

// Replays the vertex stream: current normal and texture coordinate, primitives.
struct TReplay {
    std::vector<TPrimitive> Prims;
    int Normals = 0;
    int TexCoords = 0;

    explicit TReplay(const std::vector<std::string>& calls) {
        V3 normal{0, 0, 1};
        bool hasTex = false;
        double s = 0, t = 0;
        std::array<double, 4> color{1, 1, 1, 1};
        for (const std::string& c : calls) {
            const std::string f = Fn(c);
            const std::vector<double> a = Args(c);
            if (f == "glBegin") {
                Prims.push_back({c.substr(8, c.size() - 9), {}});
            } else if (f.rfind("glNormal3", 0) == 0) {
                normal = {a[0], a[1], a[2]};
                ++Normals;
            } else if (f.rfind("glTexCoord2", 0) == 0) {
                hasTex = true;
                s = a[0];
                t = a[1];
                ++TexCoords;
            } else if (f == "glColor4fv") {
                color = {a[0], a[1], a[2], a[3]};
            } else if (f.rfind("glVertex3", 0) == 0) {
                Prims.back().Corners.push_back({{a[0], a[1], a[2]}, normal, hasTex, s, t, color});
            }
        }
    }
    int Count(const std::string& mode) const {
        int n = 0;
        for (const TPrimitive& p : Prims)
            n += p.Mode == mode;
        return n;
    }
    // Quads cut out of the primitives (GL_QUADS may hold many).
    std::vector<std::vector<TCorner>> Quads() const {
        std::vector<std::vector<TCorner>> out;
        for (const TPrimitive& p : Prims) {
            if (p.Mode == "GL_LINES")
                continue;
            for (std::size_t i = 0; i + 4 <= p.Corners.size(); i += 4)
                out.emplace_back(p.Corners.begin() + i, p.Corners.begin() + i + 4);
        }
        return out;
    }
};

// Each quad turns counter-clockwise round the normal at its first corner.
inline void ExpectOutwardWinding(const TReplay& r) {
    for (const auto& q : r.Quads()) {
        const V3 n = Cross(Sub(q[1].Pos, q[0].Pos), Sub(q[2].Pos, q[0].Pos));
        const V3 m = Cross(Sub(q[2].Pos, q[0].Pos), Sub(q[3].Pos, q[0].Pos));
        EXPECT_GT(Dot(n, q[0].Normal) + Dot(m, q[0].Normal), 0)
            << "quad at " << q[0].Pos[0] << ", " << q[0].Pos[1] << ", " << q[0].Pos[2];
    }
}

// One small off-screen context for the whole run: making a context costs far more
// than any draw here.
inline void UseSharedContext() {
    static TOffscreenGL gl(8, 8);
    wglMakeCurrent(&gl.Surface(), gl.Context());
}

// Records what Draw emits into the shared context.
struct TRecording {
    std::vector<std::string> Calls;
    template <class Draw>
    void Run(Draw draw) {
        UseSharedContext();
        TGLRecorder rec;
        draw();
        Calls = rec.Calls();
    }
    std::vector<std::string> Only(std::initializer_list<std::string> names) const {
        std::vector<std::string> out;
        for (const std::string& c : Calls)
            for (const std::string& n : names)
                if (Fn(c) == n)
                    out.push_back(c);
        return out;
    }
};

// An object that counts the invalidations it receives, whoever sends them.
template <class T>
struct TCounting : T {
    using T::T;
    int Invalidated = 0;
    bool OnlyFromItself = true;  // every invalidation so far named the object as sender
    void Invalidate(TObject* Sender) override {
        ++Invalidated;
        OnlyFromItself = OnlyFromItself && Sender == this;
        T::Invalidate(Sender);
    }
};

// Names the class a setter case runs on: the first key whose prefix starts the case's
// name wins, so an empty prefix last is the fallback.
template <class T>
struct TClassKey {
    const char* Prefix;
};

// Each case sets a property on a fresh counting object of its class, and must give back
// the stored value and exactly one invalidation, sent by the object itself, when the value
// changed; none otherwise.
template <class TCases, class... T>
void ExpectSetterCases(const TCases& Cases, TClassKey<T>... Keys) {
    for (const auto& tc : Cases) {
        const std::string_view name = tc.Name;
        std::unique_ptr<TNyxObject> obj;
        const int* count = nullptr;
        const bool* fromItself = nullptr;
        auto make = [&]<class U>(TClassKey<U> Key) {
            if (obj || !name.starts_with(Key.Prefix))
                return;
            auto p = std::make_unique<TCounting<U>>(nullptr);
            count = &p->Invalidated;
            fromItself = &p->OnlyFromItself;
            obj = std::move(p);
        };
        (make(Keys), ...);
        ASSERT_TRUE(obj) << tc.Name << ": no class key matches the case's name";
        EXPECT_EQ(tc.Set(*obj), tc.Stored) << tc.Name;
        EXPECT_EQ(*count, tc.Invalidates ? 1 : 0) << tc.Name;
        EXPECT_TRUE(*fromItself) << tc.Name;
    }
}

inline void GiveTexture(TNyxObject& obj) {
    TBitmap bmp;
    bmp.SetSize(4, 4);
    obj.Material()->SetTexture(&bmp);
}

}  // namespace nyx::test
