#include "form.h"

#include "rtl/controls.h"
#include "rtl/filer.h"

namespace nyx {

namespace {

// Components without a window of their own are shown where their DesignInfo says.
bool HasPlace(const TComponent& Component) {
    return !Component.HasParent() && !Component.Is<TCustomControl>();
}

}  // namespace

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

void TForm::DefineProperties(TFiler& Filer) {
    TComponent::DefineProperties(Filer);
    Filer.DefineProperty(
        "Places", [this](TReader& Reader) { ReadPlaces(Reader); },
        [this](TWriter& Writer) { WritePlaces(Writer); }, HasPlaces());
}

void TForm::Loaded() {
    TComponent::Loaded();
    for (const auto& [name, info] : FReadPlaces)
        if (TComponent* c = FindComponent(name))
            c->SetDesignInfo(info);
    FReadPlaces.clear();
}

// ( Name Info Name Info ... ): the name as an identifier, the packed place as an integer.
void TForm::ReadPlaces(TReader& Reader) {
    FReadPlaces.clear();
    Reader.ReadListBegin();
    while (!Reader.EndOfList()) {
        std::string name = Reader.ReadIdent();
        const std::int64_t info = Reader.ReadInteger();
        if (info < INT32_MIN || info > INT32_MAX)
            throw EReadError("TForm.ReadPlaces: the place of " + name +
                             " is out of range; the file is corrupt");
        FReadPlaces[std::move(name)] = std::int32_t(info);
    }
    Reader.ReadListEnd();
}

void TForm::WritePlaces(TWriter& Writer) {
    Writer.WriteListBegin();
    for (int i = 0; i < ComponentCount(); ++i) {
        const TComponent* c = Components(i);
        if (HasPlace(*c) && !c->Name().empty()) {
            Writer.WriteIdent(c->Name());
            Writer.WriteInteger(c->DesignInfo());
        }
    }
    Writer.WriteListEnd();
}

bool TForm::HasPlaces() const {
    for (int i = 0; i < ComponentCount(); ++i)
        if (HasPlace(*Components(i)))
            return true;
    return false;
}

}  // namespace nyx
