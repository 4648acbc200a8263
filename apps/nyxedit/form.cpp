#include "form.h"

namespace nyx {

const TMetaClass& TForm::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TForm, TComponent>("TForm");
    return meta;
}

TForm::TForm(TComponent* AOwner) : TComponent(AOwner) {}

void TForm::GetChildren(const TGetChildProc& Proc, TComponent*) {
    for (int i = 0; i < ComponentCount(); ++i)
        if (TComponent* c = Components(i); !c->HasParent())
            Proc(c);
}

void TForm::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent->Owner() == this && OnRemove)
        OnRemove(AComponent);
}

}  // namespace nyx
