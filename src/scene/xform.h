#pragma once
// An object's local transform: Translate, Rotate (degrees about X, Y, Z) and Scale,
// followed by a matrix accumulated through mScale, mTranslate and mRotate. A point
// of the object maps to T * Rx * Ry * Rz * S * A * p. The composed matrix is cached
// and recomputed on every change; ChangeCount lets owners notice changes.

#include "geom/geom.h"
#include "rtl/classes.h"
#include "scene/vertex.h"

#include <cstdint>
#include <memory>

namespace nyx {

class TNyxXForm : public TPersistent {
    NYX_CLASS(TNyxXForm)
public:
    // Owner is not kept. Both matrices start as the identity and nothing is composed
    // or announced until the first change.
    TNyxXForm(TNotifyEvent OnChange, TComponent* Owner);
    ~TNyxXForm() override;

    TNyxVertex3* Translate() { return &FTranslate; }
    const TNyxVertex3* Translate() const { return &FTranslate; }
    TNyxVertex3* Scale() { return &FScale; }
    const TNyxVertex3* Scale() const { return &FScale; }
    TNyxVertex3* Rotate() { return &FRotate; }
    const TNyxVertex3* Rotate() const { return &FRotate; }

    const TGLMatrixd4& AccumMatrix() const { return FAccum ? *FAccum : idd; }
    // The composed local matrix, as cached (no recomputation).
    virtual void GetMatrix(TGLMatrixd4& M) const;
    const TGLMatrixd4& Matrix() const { return FMatrix ? *FMatrix : idd; }
    bool NonIdentity() const { return FMatrix != nullptr; }
    std::int32_t ChangeCount() const { return FChangeCount; }

    // The vectors' change callback: counts the change and recomposes, unless an update
    // is open.
    void ChangeData(TObject* Sender);
    // Many vector changes in a row (a stream read): the matrix is recomposed and the
    // owner told once, when the last EndUpdate counts one change for them all.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    // Recomposes the matrix, then tells the owner.
    void Invalidate(TObject* Sender);

    // A bracket around drawing: push and multiply the matrix, pop it again. All three
    // do nothing for the identity, so the bracket stays balanced as long as the
    // transform does not change in between.
    void Push() const;
    void Apply() const;
    void Pop() const;

    // Accumulate onto AccumMatrix (applied to the object before Scale).
    virtual void mScale(double X, double Y, double Z);
    virtual void mTranslate(double X, double Y, double Z);
    // Angle degrees about the axis (AX, AY, AZ) through the point (CX, CY, CZ).
    virtual void mRotate(double CX, double CY, double CZ, double AX, double AY, double AZ,
                         double Angle);

private:
    TGLMatrixd4& Accum();
    void CountChange();

    TNotifyEvent FOnChange;
    // Most objects of a large drawing keep the identity and never accumulate: both
    // matrices exist only while they differ from it.
    std::unique_ptr<TGLMatrixd4> FAccum;
    std::unique_ptr<TGLMatrixd4> FMatrix;
    TNyxVertex3 FTranslate;
    TNyxVertex3 FScale;
    TNyxVertex3 FRotate;
    std::int32_t FChangeCount = 0;
    std::int32_t FUpdateCount = 0;
};

}  // namespace nyx
