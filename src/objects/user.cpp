#include "objects/user.h"

namespace nyx {

const TMetaClass& TNyxUser::StaticClass() {
    using P = Props<TNyxUser>;
    static const TMetaClass meta = TMetaClass::Make<TNyxUser, TNyxColoredObject>(
        "TNyxUser", {NyxObjectProps::Smooth(), P::Event("OnDraw"), P::Event("OnGetExtents")});
    return meta;
}

TNyxUser::TNyxUser(TComponent* AOwner) : TNyxColoredObject(AOwner) {}

void TNyxUser::DrawSpecific(std::uint32_t Face, bool Draft) {
    if (!Designing())
        FOnDraw(this, Face, Draft);
}

void TNyxUser::GetSize(TGLArrayd3& Min, TGLArrayd3& Max) const {
    TNyxColoredObject::GetSize(Min, Max);
    if (!Designing())
        FOnGetExtents(const_cast<TNyxUser*>(this), Min, Max);
}

}  // namespace nyx
