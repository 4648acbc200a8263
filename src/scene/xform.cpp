#include "scene/xform.h"

#include "gl/opengl.h"

namespace nyx {

const TMetaClass& TNyxXForm::StaticClass() {
    using P = Props<TNyxXForm>;
    static const TMetaClass meta = TMetaClass::Make<TNyxXForm, TPersistent>(
        "TNyxXForm",
        {P::Owned<TNyxVertex3>("Translate", [](const TNyxXForm& x) { return x.Translate(); }),
         P::Owned<TNyxVertex3>("Scale", [](const TNyxXForm& x) { return x.Scale(); }),
         P::Owned<TNyxVertex3>("Rotate", [](const TNyxXForm& x) { return x.Rotate(); })});
    return meta;
}

TNyxXForm::TNyxXForm(TNotifyEvent OnChange, TComponent*)
    : FOnChange(OnChange), FTranslate(TNotifyEvent::Bind<&TNyxXForm::ChangeData>(this)),
      FScale(TNotifyEvent::Bind<&TNyxXForm::ChangeData>(this)),
      FRotate(TNotifyEvent::Bind<&TNyxXForm::ChangeData>(this)) {}

TNyxXForm::~TNyxXForm() = default;

void TNyxXForm::GetMatrix(TGLMatrixd4& M) const { M = Matrix(); }

// Counters are compared for equality only, so they wrap instead of overflowing.
void TNyxXForm::CountChange() { FChangeCount = std::int32_t(std::uint32_t(FChangeCount) + 1u); }

void TNyxXForm::ChangeData(TObject* Sender) {
    CountChange();
    if (FUpdateCount == 0)
        Invalidate(Sender);
}

void TNyxXForm::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) {
        CountChange();
        Invalidate(this);
    }
}

void TNyxXForm::Invalidate(TObject* Sender) {
    const TGLArrayd3& r = FRotate.Data();
    TGLMatrixd4 m = idd;
    Translatedv(FTranslate.Data(), m);
    Rotated(r[0], 1, 0, 0, m);
    Rotated(r[1], 0, 1, 0, m);
    Rotated(r[2], 0, 0, 1, m);
    Scaledv(FScale.Data(), m);
    MultMatrixd(m, AccumMatrix(), m);
    if (IsIdentityd(m))
        FMatrix.reset();
    else if (FMatrix)
        *FMatrix = m;
    else
        FMatrix = std::make_unique<TGLMatrixd4>(m);
    FOnChange(Sender);
}

void TNyxXForm::Push() const {
    if (FMatrix)
        glPushMatrix();
}

void TNyxXForm::Apply() const {
    if (FMatrix)
        glMultMatrixd(FMatrix->data());
}

void TNyxXForm::Pop() const {
    if (FMatrix)
        glPopMatrix();
}

TGLMatrixd4& TNyxXForm::Accum() {
    if (!FAccum)
        FAccum = std::make_unique<TGLMatrixd4>(idd);
    return *FAccum;
}

void TNyxXForm::mScale(double X, double Y, double Z) {
    Scaled(X, Y, Z, Accum());
    CountChange();
    Invalidate(this);
}

void TNyxXForm::mTranslate(double X, double Y, double Z) {
    Translated(X, Y, Z, Accum());
    CountChange();
    Invalidate(this);
}

void TNyxXForm::mRotate(double CX, double CY, double CZ, double AX, double AY, double AZ,
                        double Angle) {
    TGLMatrixd4& a = Accum();
    Translated(CX, CY, CZ, a);
    Rotated(Angle, AX, AY, AZ, a);
    Translated(-CX, -CY, -CZ, a);
    CountChange();
    Invalidate(this);
}

}  // namespace nyx
