#pragma once
// TForm: the root component of a form being designed. It owns everything placed on the
// form; its stream holds the components that have no parent of their own (scenes,
// panels, material libraries, converters), each with its subtree, and the places of the
// components shown as icons.

#include "rtl/classes.h"

#include <functional>
#include <map>
#include <string>

namespace nyx {

class TForm : public TComponent {
    NYX_CLASS(TForm)
public:
    explicit TForm(TComponent* AOwner);

    // Told of every owned component that goes away while the form lives; the form's own
    // destruction frees its components without telling.
    std::function<void(TComponent*)> OnRemove;

    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;

private:
    void ReadPlaces(TReader& Reader);
    void WritePlaces(TWriter& Writer);
    bool HasPlaces() const;

    // Places read before the components they belong to; given to them in Loaded.
    std::map<std::string, std::int32_t> FReadPlaces;
};

}  // namespace nyx
