#include "scene/shadow.h"

#include "gl/glscope.h"
#include "gl/wgl.h"
#include "rtl/scope.h"
#include "rtl/sysutils.h"
#include "scene/detail/geometrycache.h"
#include "scene/detail/shadowtess.h"
#include "scene/glstate.h"
#include "scene/light.h"
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace nyx {

// --- Shared light view ---------------------------------------------------------------

namespace {

constexpr int FeedbackStep = 5000;
constexpr long PassThroughMarker = 0x1234BA00;
constexpr double ExtrusionFactor = 10000;

// What the volume being built sees: one build at a time, on the GL thread.
struct TLightView {
    std::vector<float> Feedback;
    TGLMatrixd4 Modelview{};
    TGLMatrixd4 Projection{};
    std::array<GLint, 4> Viewport{};
    TGLArrayd3 L{};  // light centre
    TGLArrayd3 C{};  // object centre
    // The tessellation running now: GLU's error callback carries no data of ours.
    TNyxShadowTess* Current = nullptr;
};

// Made at first use, which is the library's start: it outlives the library's stop, which
// frees the feedback buffer.
TLightView& LightView() {
    static TLightView view;
    return view;
}

[[noreturn]] void FeedbackError(long Token) {
    char text[80];
    std::snprintf(text, sizeof text, "ERROR: Unexpected feedback token 0x%lx (%ld).", Token, Token);
    throw Exception(text);
}

long Token(float Value) { return std::lround(Value); }

// Everything but polygons and marked points is refused before the tessellator
// starts, so it never sees half a polygon.
void CheckFeedback(const float* Feedback, int Count) {
    bool marker = false;
    for (int i = 0; i < Count;) {
        const long token = Token(Feedback[i]);
        switch (token) {
        case GL_POLYGON_TOKEN: {
            const long k = i + 1 < Count ? Token(Feedback[i + 1]) : -1;
            if (k < 0 || k > (Count - i - 2) / 3)
                FeedbackError(token);
            i += 2 + 3 * int(k);
            break;
        }
        case GL_PASS_THROUGH_TOKEN:
            if (i + 1 >= Count || Token(Feedback[i + 1]) != PassThroughMarker)
                FeedbackError(token);
            marker = !marker;
            i += 2;
            break;
        case GL_POINT_TOKEN:
            if (!marker || i + 4 > Count)
                FeedbackError(token);
            marker = false;
            i += 4;
            break;
        default:
            FeedbackError(token);
        }
    }
}

}  // namespace

void InitShadowFeedback() {
    if (LightView().Feedback.empty())
        LightView().Feedback.resize(FeedbackStep);
}

void DoneShadowFeedback() { std::vector<float>().swap(LightView().Feedback); }

int ShadowFeedbackSize() { return int(LightView().Feedback.size()); }

// --- Tessellation state --------------------------------------------------------------

TNyxShadowTess::TNyxShadowTess() : FTess(gluNewTess()) {
    FBlocks.push_back(std::make_unique<TVertexf[]>(InitialCombined));
    FCombinedCapacity = InitialCombined;
    gluTessProperty(FTess, GLU_TESS_BOUNDARY_ONLY, GL_TRUE);
    gluTessProperty(FTess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessCallback(FTess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TGLUCallback>(&Begin));
    gluTessCallback(FTess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TGLUCallback>(&Vertex));
    gluTessCallback(FTess, GLU_TESS_END_DATA, reinterpret_cast<TGLUCallback>(&End));
    gluTessCallback(FTess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TGLUCallback>(&Combine));
    gluTessCallback(FTess, GLU_TESS_ERROR, reinterpret_cast<TGLUCallback>(&Error));
}

TNyxShadowTess::~TNyxShadowTess() {
    if (FTess)
        gluDeleteTess(FTess);
}

TNyxShadowTess::TVertexf* TNyxShadowTess::NextCombined() {
    if (FCombinedCount == FCombinedCapacity) {
        FBlocks.push_back(std::make_unique<TVertexf[]>(CombinedStep));
        FCombinedCapacity += CombinedStep;
    }
    const int index = FCombinedCount++;
    if (index < InitialCombined)
        return &FBlocks[0][std::size_t(index)];
    const int rest = index - InitialCombined;
    return &FBlocks[std::size_t(1 + rest / CombinedStep)][std::size_t(rest % CombinedStep)];
}

void TNyxShadowTess::EmitPair(const float* Window) {
    TGLArrayd3 p{};
    gluUnProject(Window[0], Window[1], Window[2], LightView().Modelview.data(),
                 LightView().Projection.data(), LightView().Viewport.data(), &p[0], &p[1], &p[2]);
    glVertex3d(p[0], p[1], p[2]);
    for (std::size_t i = 0; i < 3; ++i)
        p[i] += ExtrusionFactor *
                (FPointExtrusion ? p[i] - LightView().L[i] : LightView().C[i] - LightView().L[i]);
    glVertex3d(p[0], p[1], p[2]);
}

// The callbacks run inside GLU's C code: nothing may be thrown through it.

void TNyxShadowTess::Begin(GLenum, void* Data) {
    auto* self = static_cast<TNyxShadowTess*>(Data);
    self->FFirstPending = true;
    self->FFirst = nullptr;
    glBegin(GL_QUAD_STRIP);
}

void TNyxShadowTess::Vertex(void* VertexData, void* Data) {
    auto* self = static_cast<TNyxShadowTess*>(Data);
    const auto* v = static_cast<const float*>(VertexData);
    if (self->FFirstPending) {
        self->FFirst = v;
        self->FFirstPending = false;
    }
    self->EmitPair(v);
}

void TNyxShadowTess::End(void* Data) {
    auto* self = static_cast<TNyxShadowTess*>(Data);
    if (self->FFirst)
        self->EmitPair(self->FFirst);  // the strip closes on its first pair
    glEnd();
}

void TNyxShadowTess::Combine(GLdouble Coords[3], void* [4], GLfloat[4], void** Out, void* Data) {
    auto* self = static_cast<TNyxShadowTess*>(Data);
    static TVertexf spare;  // somewhere to point when the store cannot grow
    TVertexf* v = &spare;
    try {
        v = self->NextCombined();
    } catch (...) {
        if (!self->FFailure)
            self->FFailure = std::current_exception();
    }
    (*v)[0] = float(Coords[0]);
    (*v)[1] = float(Coords[1]);
    (*v)[2] = float(Coords[2]);
    *Out = v->data();
}

void TNyxShadowTess::Error(GLenum Code) {
    if (LightView().Current && !LightView().Current->FError)
        LightView().Current->FError = Code;
}

void TNyxShadowTess::Tessellate(const float* Feedback, int Count, bool PointExtrusion) {
    CheckFeedback(Feedback, Count);
    FCombinedCount = 0;
    FPointExtrusion = PointExtrusion;
    FError = 0;
    FFailure = nullptr;
    LightView().Current = this;
    gluTessBeginPolygon(FTess, this);
    // Every feedback polygon is its own contour; boundary-only output with the
    // non-zero rule leaves the outline of their union.
    for (int i = 0; i < Count;) {
        const long token = Token(Feedback[i]);
        if (token == GL_POLYGON_TOKEN) {
            const int k = int(Token(Feedback[i + 1]));
            gluTessBeginContour(FTess);
            for (int j = 0; j < k; ++j) {
                float* v = const_cast<float*>(Feedback + i + 2 + 3 * j);
                GLdouble location[3] = {v[0], v[1], v[2]};
                gluTessVertex(FTess, location, v);
            }
            gluTessEndContour(FTess);
            i += 2 + 3 * k;
        } else {
            i += token == GL_PASS_THROUGH_TOKEN ? 2 : 4;  // checked above
        }
    }
    gluTessEndPolygon(FTess);
    LightView().Current = nullptr;
    if (FFailure)
        std::rethrow_exception(FFailure);
    if (FError) {
        const GLubyte* text = gluErrorString(FError);
        throw Exception(std::string("ERROR: ") +
                        (text ? reinterpret_cast<const char*>(text) : "unknown tessellator error"));
    }
}

// --- TNyxShadowedObject --------------------------------------------------------------

const TMetaClass& TNyxShadowedObject::StaticClass() {
    namespace N = NyxObjectProps;
    static const TMetaClass meta = TMetaClass::Make<TNyxShadowedObject, TNyxColoredObject>(
        "TNyxShadowedObject", {N::CastShadows(), N::ReceiveShadows()});
    return meta;
}

namespace {

// Calls Fn on every light below Root, in the order ListChildren lists them.
template <class F>
void ForEachLight(TNyxObject* Root, const F& Fn) {
    for (TNyxObject* child : Root->Items()) {
        ForEachLight(child, Fn);
        if (auto* light = dynamic_cast<TNyxLight*>(child))
            Fn(light);
    }
}

// Whether the draw passes reach the object: it and every ancestor below the root
// are visible (the scene's own flag takes no part in drawing).
bool Drawn(const TNyxObject* Obj) {
    for (const TNyxObject* o = Obj; o->Parent(); o = o->Parent())
        if (!o->Visible())
            return false;
    return true;
}

}  // namespace

void TNyxShadowedObject::BuildShadowVolumes() {
    // Volumes cached for a light they are no longer drawn for would stay until the object
    // or the light goes: they go now, and are built again when needed.
    if (!CastShadows()) {
        DropShadowVolumes();
        return;
    }
    TNyxObject* root = this;
    while (root->Parent())
        root = root->Parent();
    ForEachLight(root, [this](TNyxLight* light) {
        if (!light->CastShadows() || !light->HasGLLight()) {
            DropShadowVolumes(light);
            return;
        }
        // A hidden light neither draws nor deletes its volumes: none are built for
        // it, and what it kept from a visible frame goes now.
        if (!Drawn(light)) {
            light->DeleteShadowLists();
            DropShadowVolumes(light);
            return;
        }
        DoBuildShadowVolumes(light);
    });
}

void TNyxShadowedObject::DrawShadows(bool Draft) {
    if (!ReceiveShadows())
        return;
    const TNyxMaterial* m = GetMaterial();
    if (m->IsTransparent())
        return;
    GLState().ApplyMaterial(*m);
    DrawGeometry(GL_FRONT_AND_BACK, Draft);
    m->CancelMaterial();
}

void TNyxShadowedObject::DoBuildShadowVolumes(TNyxLight* Light) {
    TGLArrayd3& L = LightView().L;
    Light->GetAbsoluteCenter(L);

    // With the geometry cache a volume stays while neither this object nor the light has
    // changed: no feedback render, no tessellation.
    const TNyxScene* scene = Scene();
    const std::uint64_t space = scene && CacheableGeometry() ? scene->Frame().ListSpace() : 0;
    TNyxGeometryCache::TVolumeKey key{};
    if (space != 0) {
        key.Stamp = GeometryStamp();
        key.Epoch = scene->CacheEpoch();
        key.ChangeIndex = GetChangeIndex();
        key.LightChangeIndex = Light->GetChangeIndex();
        key.L = L;
        key.Directional = Light->Directional();
        if (const GLuint kept = GeometryCache().FindVolume(space, Light, key)) {
            Light->AddCachedShadowList(kept);
            return;
        }
    }

    FVolumeSpace = space;
    FPendingVolume = 0;
    GLuint name = 0;
    {
        // A cached volume left half-built goes back to the allocator.
        const TOnFailure release([&] {
            if (FPendingVolume != 0)
                ReleaseLists(space, FPendingVolume, 1);
        });
        name = BuildShadowVolume(Light);
    }
    if (space != 0 && name != 0) {
        Light->AddCachedShadowList(name);
        GeometryCache().AddVolume(space, Light, key, name);
    }
}

GLuint TNyxShadowedObject::NewShadowList(TNyxLight* Light) {
    if (FVolumeSpace != 0)
        return FPendingVolume = AllocateLists(1);
    // The light owns the list until the volume is complete: one left half-built by an
    // exception goes at the light's next frame.
    const GLuint name = glGenLists(1);
    if (name != 0)
        Light->AddShadowList(name);
    return name;
}

GLuint TNyxShadowedObject::BuildShadowVolume(TNyxLight* Light) {
    const TGLArrayd3& L = LightView().L;
    TGLArrayd3& C = LightView().C;
    GetAbsoluteCenter(C);
    const double dist = std::hypot(L[0] - C[0], L[1] - C[1], L[2] - C[2]);
    const double R = GetAbsoluteRadius() * 1.2;
    GLint dims[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    const double h = std::min(dims[0], dims[1]) / 2.0;
    const bool pointExtrusion = Light->Directional();
    const double s = std::min(R / dist, 0.99);
    const double zNear = std::max((dist - R) * 0.5, 0.001);
    const double zFar = (dist + R) * 2;
    const double fovy = std::asin(s) * 3 * 180 / std::numbers::pi;
    const GLint r = GLint(std::lround(h));

    // The scopes undo the build's state when it ends, also by an exception: viewport,
    // matrices, feedback mode and the open list.
    const TGLAttribScope viewport(GL_VIEWPORT_BIT);
    // The light's image centred on window (0, 0) over the largest square viewport:
    // the finest coordinates the tessellator can get.
    glViewport(-r, -r, 2 * r, 2 * r);
    const TGLModeMatrixScope modelview(GL_MODELVIEW);
    const TGLModeMatrixScope projection(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovy, 1.0, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(L[0], L[1], L[2], C[0], C[1], C[2], 0, 0, 1);
    // No object transform yet: unprojecting through these gives world coordinates.
    glGetDoublev(GL_MODELVIEW_MATRIX, LightView().Modelview.data());
    glGetDoublev(GL_PROJECTION_MATRIX, LightView().Projection.data());
    glGetIntegerv(GL_VIEWPORT, LightView().Viewport.data());

    // The object where it is drawn: the placement of every ancestor, not only the
    // parent's, or an object nested in transformed groups casts from the wrong place.
    TGLMatrixd4 placement;
    GetAbsoluteMatrix(placement);
    if (!IsIdentityd(placement))
        glMultMatrixd(placement.data());

    InitShadowFeedback();
    std::vector<float>& buffer = LightView().Feedback;
    GLint n;
    for (;;) {
        glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
        TGLRenderModeScope feedback(GL_FEEDBACK);
        DrawSpecific(GL_FRONT_AND_BACK, false);  // filled, whatever DrawType says
        n = feedback.Finish();
        if (n >= 0)
            break;
        buffer.assign(buffer.size() + FeedbackStep, 0.0f);  // old contents are not needed
    }

    const GLuint name = NewShadowList(Light);
    if (name == 0)
        return 0;  // no list name left: this object casts no shadow this frame
    {
        const TGLListScope list(name, GL_COMPILE);
        Light->Tess().Tessellate(buffer.data(), n, pointExtrusion);
    }
    return name;
}

}  // namespace nyx
