#include "objects/detail/meshgeometry.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <numeric>

namespace nyx::detail {

namespace {

using TVec = std::array<float, 3>;

TVec At(std::span<const float> Positions, std::uint32_t Vertex) {
    const float* p = Positions.data() + 3 * std::size_t(Vertex);
    return {p[0], p[1], p[2]};
}

// Twice the area times the unit normal: sums weight each face by its area.
TVec FaceNormal(std::span<const float> Positions, const std::uint32_t* Corners) {
    const TVec a = At(Positions, Corners[0]), b = At(Positions, Corners[1]),
               c = At(Positions, Corners[2]);
    const TVec u{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const TVec v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

void Add(TVec& Sum, const TVec& V) {
    for (std::size_t i = 0; i < 3; ++i)
        Sum[i] += V[i];
}

TVec Unit(TVec V) {
    const float length = std::sqrt(V[0] * V[0] + V[1] * V[1] + V[2] * V[2]);
    if (length > 0)
        for (float& c : V)
            c /= length;
    return V;
}

float Dot(const TVec& A, const TVec& B) { return A[0] * B[0] + A[1] * B[1] + A[2] * B[2]; }

}  // namespace

TSmoothNormals SmoothNormals(std::span<const float> Positions,
                             std::span<const std::uint32_t> Indices, double CreaseDegrees) {
    const std::size_t vertices = Positions.size() / 3;
    const std::size_t faces = Indices.size() / 3;
    TSmoothNormals out;
    std::vector<TVec> faceNormals(faces);
    for (std::size_t f = 0; f < faces; ++f)
        faceNormals[f] = FaceNormal(Positions, Indices.data() + 3 * f);

    std::vector<TVec> sums(vertices, TVec{0, 0, 0});
    for (std::size_t c = 0; c < Indices.size(); ++c)
        Add(sums[Indices[c]], faceNormals[c / 3]);
    const auto store = [&out](const TVec& N) {
        const TVec u = Unit(N);
        out.Normals.insert(out.Normals.end(), u.begin(), u.end());
    };
    out.Normals.reserve(3 * vertices);
    if (CreaseDegrees >= 180) {
        for (const TVec& s : sums)
            store(s);
        return out;
    }

    // The corners round each vertex, grouped by vertex.
    std::vector<std::uint32_t> start(vertices + 1, 0);
    for (const std::uint32_t v : Indices)
        ++start[v + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<std::uint32_t> corners(Indices.size());
    {
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        for (std::size_t c = 0; c < Indices.size(); ++c)
            corners[next[Indices[c]]++] = std::uint32_t(c);
    }
    std::vector<TVec> units(faces);
    for (std::size_t f = 0; f < faces; ++f)
        units[f] = Unit(faceNormals[f]);

    const float limit = float(std::cos(std::max(CreaseDegrees, 0.0) * std::numbers::pi / 180));
    std::vector<std::uint32_t> assigned(Indices.begin(), Indices.end());
    std::vector<TVec> copyNormals;
    std::vector<std::pair<TVec, std::uint32_t>> groups;  // of one vertex: sum, vertex
    for (std::uint32_t v = 0; v < vertices; ++v) {
        groups.clear();
        const std::uint32_t* first = corners.data() + start[v];
        const std::uint32_t* last = corners.data() + start[v + 1];
        for (const std::uint32_t* c = first; c != last; ++c) {
            const TVec& own = units[*c / 3];
            TVec sum{0, 0, 0};
            for (const std::uint32_t* g = first; g != last; ++g)
                if (Dot(own, units[*g / 3]) >= limit)
                    Add(sum, faceNormals[*g / 3]);
            if (sum == TVec{0, 0, 0})
                sum = sums[v];  // a degenerate face takes the vertex's whole fan
            const auto same = std::find_if(groups.begin(), groups.end(),
                                           [&sum](const auto& g) { return g.first == sum; });
            if (same != groups.end()) {
                assigned[*c] = same->second;
                continue;
            }
            std::uint32_t vertex = v;
            if (!groups.empty()) {
                vertex = std::uint32_t(vertices + out.Copies.size());
                out.Copies.push_back(v);
                copyNormals.push_back(sum);
            } else {
                sums[v] = sum;
            }
            groups.emplace_back(sum, vertex);
            assigned[*c] = vertex;
        }
    }
    for (const TVec& s : sums)
        store(s);
    for (const TVec& s : copyNormals)
        store(s);
    if (!out.Copies.empty())
        out.Indices = std::move(assigned);
    return out;
}

namespace {

// For each vertex, the lowest-numbered vertex at exactly the same position (+0 and -0
// taken as one).
std::vector<std::uint32_t> JoinedVertices(std::span<const float> Positions) {
    const std::size_t vertices = Positions.size() / 3;
    const auto bits = [&Positions](std::uint32_t V, std::size_t Axis) {
        const float c = Positions[3 * std::size_t(V) + Axis];
        return std::bit_cast<std::uint32_t>(c == 0 ? 0.0f : c);
    };
    std::vector<std::uint32_t> order(vertices);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&bits](std::uint32_t a, std::uint32_t b) {
        for (std::size_t i = 0; i < 3; ++i)
            if (bits(a, i) != bits(b, i))
                return bits(a, i) < bits(b, i);
        return a < b;
    });
    std::vector<std::uint32_t> joined(vertices);
    for (std::size_t i = 0; i < vertices; ++i) {
        const std::uint32_t v = order[i];
        const bool same = i > 0 && bits(v, 0) == bits(order[i - 1], 0) &&
                          bits(v, 1) == bits(order[i - 1], 1) &&
                          bits(v, 2) == bits(order[i - 1], 2);
        joined[v] = same ? joined[order[i - 1]] : v;
    }
    return joined;
}

}  // namespace

TMeshEdges MeshEdges(std::span<const float> Positions, std::span<const std::uint32_t> Indices) {
    const std::vector<std::uint32_t> joined = JoinedVertices(Positions);
    struct TUse {
        std::uint64_t Key;  // lower joined vertex, higher joined vertex
        std::uint32_t Use;
    };
    std::vector<TUse> uses;
    uses.reserve(Indices.size());
    for (std::size_t f = 0; f < Indices.size() / 3; ++f)
        for (std::size_t j = 0; j < 3; ++j) {
            const std::uint32_t a = joined[Indices[3 * f + j]];
            const std::uint32_t b = joined[Indices[3 * f + (j + 1) % 3]];
            if (a == b)
                continue;  // a degenerate edge bounds nothing
            const std::uint32_t lo = std::min(a, b), hi = std::max(a, b);
            uses.push_back({std::uint64_t(lo) << 32 | hi, std::uint32_t(2 * f + (a > b ? 1 : 0))});
        }
    std::sort(uses.begin(), uses.end(), [](const TUse& x, const TUse& y) {
        return x.Key != y.Key ? x.Key < y.Key : x.Use < y.Use;
    });
    TMeshEdges edges;
    edges.Uses.reserve(uses.size());
    for (std::size_t i = 0; i < uses.size();) {
        std::size_t j = i;
        int balance = 0;
        while (j < uses.size() && uses[j].Key == uses[i].Key) {
            balance += (uses[j].Use & 1) ? -1 : 1;
            edges.Uses.push_back(uses[j].Use);
            ++j;
        }
        if (j - i != 2 || balance != 0)
            edges.Closed = false;
        edges.Lines.push_back(std::uint32_t(uses[i].Key >> 32));
        edges.Lines.push_back(std::uint32_t(uses[i].Key));
        edges.UseStart.push_back(std::uint32_t(i));
        i = j;
    }
    edges.UseStart.push_back(std::uint32_t(uses.size()));
    return edges;
}

void SilhouetteEdges(const TMeshEdges& Edges, std::span<const float> Positions,
                     std::span<const std::uint32_t> Indices, const std::array<double, 4>& Light,
                     std::vector<std::uint32_t>& Out) {
    Out.clear();
    // +1 for a face turned towards the light; one turned away counts -1 (taken from its
    // other side) on an open mesh and not at all on a closed one.
    const std::size_t faces = Indices.size() / 3;
    const std::int8_t away = Edges.Closed ? 0 : -1;
    std::vector<std::int8_t> side(faces);
    for (std::size_t f = 0; f < faces; ++f) {
        const TVec n = FaceNormal(Positions, Indices.data() + 3 * f);
        const TVec p = At(Positions, Indices[3 * f]);
        double towards = 0;
        for (std::size_t i = 0; i < 3; ++i)
            towards += double(n[i]) * (Light[i] - Light[3] * p[i]);
        side[f] = towards > 0 ? 1 : away;
    }
    const std::size_t count = Edges.Lines.size() / 2;
    for (std::size_t e = 0; e < count; ++e) {
        int runs = 0;  // faces running from the first end to the second, net
        for (std::uint32_t u = Edges.UseStart[e]; u < Edges.UseStart[e + 1]; ++u) {
            const std::uint32_t use = Edges.Uses[u];
            runs += (use & 1) ? -side[use >> 1] : side[use >> 1];
        }
        const std::uint32_t a = Edges.Lines[2 * e], b = Edges.Lines[2 * e + 1];
        for (int k = 0; k < std::abs(runs); ++k) {
            Out.push_back(runs > 0 ? a : b);
            Out.push_back(runs > 0 ? b : a);
        }
    }
}

}  // namespace nyx::detail
