#pragma once
// TForm: the root component of a form being designed. It owns everything placed on the
// form; its stream holds the components that have no parent of their own (scenes,
// panels, material libraries, converters), each with its subtree.

#include "rtl/classes.h"

#include <functional>

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
};

}  // namespace nyx
