#pragma once
// Sub-pixel offsets for accumulation-buffer rendering, in pixel units within (-0.5, 0.5).
// The camera jitters through j8; the other tables serve application code that runs its
// own accumulation loops.

namespace nyx {

struct TJitterPoint {
    float x;
    float y;
};

extern const TJitterPoint j2[2];
extern const TJitterPoint j3[3];
extern const TJitterPoint j4[4];
extern const TJitterPoint j8[8];
extern const TJitterPoint j15[15];
extern const TJitterPoint j24[24];
extern const TJitterPoint j66[66];

// Unit start and stop; the tables are static data, so there is nothing to do but count.
void InitializeNyxJitter();
void FinalizeNyxJitter();

}  // namespace nyx
