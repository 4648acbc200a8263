#include "design/propertiesview.h"

#include "design/propedits.h"
#include "design/registry.h"
#include "rtl/host.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace nyx {

struct TPropertiesView::TRow {
    QString Path;
    QTreeWidgetItem* Item = nullptr;
    std::unique_ptr<TPropertyEditor> Editor;
    QWidget* Widget = nullptr;        // in the value column; none: the value as text
    QLineEdit* Line = nullptr;        // the text of the value, when it can be typed
    QComboBox* Choices = nullptr;     // the choices of a value list
    QCheckBox* Check = nullptr;       // a boolean
    std::vector<QObject*> Senders{};  // what sends this row's edits
    std::string Shown;                // the value as last shown
};

// Hears of the shown component's end, so that no editor outlives its instance.
class TPropertiesView::TWatch : public TComponent {
public:
    explicit TWatch(TPropertiesView& PropertiesView)
        : TComponent(nullptr), FPropertiesView(PropertiesView) {}
    void Watch(TComponent* Value) {
        if (FWatched)
            RemoveFreeNotification(FWatched);
        FWatched = Value;
        if (FWatched)
            FreeNotification(FWatched);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FWatched) {
            FWatched = nullptr;
            FPropertiesView.InstanceFreed();
        }
    }

private:
    TPropertiesView& FPropertiesView;
    TComponent* FWatched = nullptr;
};

namespace {

// The component a shown object lives in: itself, or the nearest owner up its chain.
TComponent* HoldingComponent(TPersistent* Instance) {
    for (TPersistent* p = Instance; p; p = p->GetOwner())
        if (auto* c = dynamic_cast<TComponent*>(p))
            return c;
    return nullptr;
}

bool IsBooleanList(const std::vector<std::string>& Values) {
    return Values.size() == 2 && Values[0] == "False" && Values[1] == "True";
}

}  // namespace

TPropertiesView::TPropertiesView(const TDesignRegistry& Registry, IDesigner& Designer,
                                 QWidget* Parent)
    : QTreeWidget(Parent), FRegistry(Registry), FDesigner(Designer),
      FWatch(std::make_unique<TWatch>(*this)) {
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

TPropertiesView::~TPropertiesView() { Clear(); }

void TPropertiesView::Clear() {
    // Widgets go with their items, possibly later: their edits must not reach the editors
    // freed here.
    for (const auto& row : FRows)
        for (QObject* sender : row->Senders)
            sender->disconnect(this);
    FRows.clear();
    clear();
}

void TPropertiesView::SetInstance(TPersistent* Instance) {
    Clear();
    FInstance = Instance;
    FWatch->Watch(HoldingComponent(Instance));
    if (Instance)
        AddRows(invisibleRootItem(), QString(),
                GetPropertyEditors(Instance, &FDesigner, &FRegistry));
}

void TPropertiesView::InstanceFreed() {
    Clear();
    FInstance = nullptr;
}

void TPropertiesView::AddRows(QTreeWidgetItem* Parent, const QString& Prefix,
                              TPropertyEditors Editors) {
    for (auto& editor : Editors) {
        auto row = std::make_unique<TRow>();
        const QString name = QString::fromStdString(editor->GetName());
        row->Path = Prefix.isEmpty() ? name : Prefix + '.' + name;
        row->Item = new QTreeWidgetItem(Parent, {name});
        row->Editor = std::move(editor);
        TRow& r = *row;
        FRows.push_back(std::move(row));
        r.Widget = MakeEditor(r);
        if (r.Widget)
            setItemWidget(r.Item, 1, r.Widget);
        ShowValue(r);
        if (r.Editor->GetAttributes().Contains(paSubProperties))
            AddRows(r.Item, r.Path, r.Editor->GetProperties());
    }
}

QWidget* TPropertiesView::MakeEditor(TRow& Row) {
    const TPropertyAttributes attributes = Row.Editor->GetAttributes();
    const bool readOnly = attributes.Contains(paReadOnly);
    const QString path = Row.Path;
    auto typed = [&](QLineEdit* Line) {
        Row.Line = Line;
        connect(Line, &QLineEdit::editingFinished, this,
                [this, path, Line] { CommitText(path, Line->text()); });
        Row.Senders.push_back(Line);
    };
    QWidget* value = nullptr;
    if (attributes.Contains(paValueList) && IsBooleanList(Row.Editor->GetValues())) {
        Row.Check = new QCheckBox;
        Row.Check->setEnabled(!readOnly);
        connect(Row.Check, &QCheckBox::toggled, this,
                [this, path](bool on) { CommitText(path, on ? "True" : "False"); });
        Row.Senders.push_back(Row.Check);
        value = Row.Check;
    } else if (attributes.Contains(paValueList)) {
        Row.Choices = new QComboBox;
        // Choices that are the whole story (an enumeration, a component of the form) are
        // picked; others may be typed too.
        Row.Choices->setEditable(!readOnly && !attributes.Contains(paSortList));
        Row.Choices->setInsertPolicy(QComboBox::NoInsert);
        Row.Choices->setEnabled(!readOnly);
        connect(Row.Choices, &QComboBox::activated, this,
                [this, path, box = Row.Choices](int) { CommitText(path, box->currentText()); });
        Row.Senders.push_back(Row.Choices);
        if (Row.Choices->isEditable())
            typed(Row.Choices->lineEdit());
        value = Row.Choices;
    } else if (!readOnly) {
        typed(new QLineEdit);
        value = Row.Line;
    }
    if (!attributes.Contains(paDialog))
        return value;
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (value)
        layout->addWidget(value, 1);
    else
        layout->addStretch(1);
    auto* dialog = new QToolButton;
    dialog->setText(QStringLiteral("..."));
    dialog->setObjectName(QStringLiteral("dialog"));
    connect(dialog, &QToolButton::clicked, this, [this, path] {
        if (TRow* row = RowOf(path))
            OpenDialog(*row);
    });
    Row.Senders.push_back(dialog);
    layout->addWidget(dialog);
    return box;
}

void TPropertiesView::ShowValue(TRow& Row) {
    // A value that cannot be read shows its error rather than ending the update.
    try {
        Row.Shown = Row.Editor->GetValue();
    } catch (const std::exception& e) {
        Row.Shown = std::string("(") + e.what() + ")";
    }
    const QString text = QString::fromStdString(Row.Shown);
    if (Row.Check) {
        const QSignalBlocker quiet(Row.Check);
        Row.Check->setChecked(text == QStringLiteral("True"));
    } else if (Row.Choices) {
        const QSignalBlocker quiet(Row.Choices);
        Row.Choices->clear();
        if (Row.Editor->GetPropInfo().ClassKind == TClassPropKind::ckReference)
            Row.Choices->addItem(QString());  // no component
        for (const std::string& v : Row.Editor->GetValues())
            Row.Choices->addItem(QString::fromStdString(v));
        const int index = Row.Choices->findText(text);
        if (index >= 0)
            Row.Choices->setCurrentIndex(index);
        else if (Row.Choices->isEditable())
            Row.Choices->setEditText(text);
    } else if (Row.Line) {
        Row.Line->setText(text);
    }
    if (!Row.Line && !Row.Choices && !Row.Check)
        Row.Item->setText(1, text);
}

void TPropertiesView::RefreshValues() {
    for (const auto& row : FRows)
        ShowValue(*row);
}

bool TPropertiesView::Commit(TRow& Row, const std::string& Text) {
    if (Text == Row.Shown)
        return false;
    return Attempt([&] {
        const auto* component = dynamic_cast<const TComponent*>(FInstance);
        const std::string name = component && !component->Name().empty()
                                     ? component->Name()
                                     : std::string(FInstance->ClassName());
        FDesigner.NameChange("Set " + Row.Path.toStdString() + " of " + name);
        Row.Editor->SetValue(Text);
    });
}

bool TPropertiesView::Attempt(const std::function<void()>& Action) {
    // Losing the focus to the message box would finish the same edit again.
    if (FCommitting)
        return false;
    FCommitting = true;
    bool done = false;
    try {
        Action();
        done = true;
    } catch (const std::exception& e) {
        MessageBox(e.what(), ErrorCaption, MB_OK | MB_ICONERROR);
    }
    FCommitting = false;
    RefreshValues();
    return done;
}

bool TPropertiesView::CommitText(const QString& Path, const QString& Text) {
    TRow* row = RowOf(Path);
    return row && Commit(*row, Text.toStdString());
}

void TPropertiesView::OpenDialog(TRow& Row) {
    Attempt([&] { Row.Editor->Edit(); });
}

TPropertiesView::TRow* TPropertiesView::RowOf(const QString& Path) const {
    for (const auto& row : FRows)
        if (row->Path.compare(Path, Qt::CaseInsensitive) == 0)
            return row.get();
    return nullptr;
}

QTreeWidgetItem* TPropertiesView::FindRow(const QString& Path) const {
    const TRow* row = RowOf(Path);
    return row ? row->Item : nullptr;
}

QWidget* TPropertiesView::EditorOf(const QString& Path) const {
    const TRow* row = RowOf(Path);
    return row ? row->Widget : nullptr;
}

TPropertyEditor* TPropertiesView::PropertyEditorOf(const QString& Path) const {
    const TRow* row = RowOf(Path);
    return row ? row->Editor.get() : nullptr;
}

}  // namespace nyx
