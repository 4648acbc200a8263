#pragma once
// TViewerWindow: nyxview's main window. The panel fills the middle; the File menu opens,
// saves, exports a picture, prints and remembers recent files; the View menu holds the
// view keys (1 top, 2 front, 3 right, 4 isometric, 5 narrow view from afar, R start, F
// frame all); the Layers dock shows and hides the scene's top-level groups (a drawing's
// layers), the Scene dock its object tree; the status bar tells what the last frame drew,
// what is selected and where the cursor points in the world. A file dropped on the
// window opens. Errors of the menu's commands go through the current host's message
// boxes.
//
// Sections of the source: building - files - view keys - docks - status - events.

#include "drawcounter.h"
#include "loadprogress.h"

#include "geom/geom.h"
#include "rtl/classes.h"

#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace nyx {

class TNyxCamera;
class TNyxObject;
class TNyxPanel;
class TNyxPanelWidget;
class TNyxScene;
class TViewerInput;

class TViewerWindow : public QMainWindow {
public:
    explicit TViewerWindow(QWidget* Parent = nullptr);
    ~TViewerWindow() override;

    // Shows the scene of FileName (empty: the demo scene) with a progress dialog while it
    // reads and, the window being shown, while its first frame builds. Raises the
    // library's error, naming the file, and then keeps the scene shown before. Cancelled
    // while reading, the scene shown before stays (an empty one when there was none);
    // cancelled while the first frame builds, the file's objects go but the camera.
    void Open(const std::string& FileName);

    // The File menu's commands. Each answers whether it was carried out: a dialog
    // cancelled or an error reported (in a message box) make it false.
    bool OpenFile();
    bool OpenFile(const std::string& FileName);
    // The scene in the form its name asks for (.nyxt, .nyx, .dxf).
    bool SaveAs();
    // The view as a PNG picture of a chosen size.
    bool ExportPicture();
    bool Print();

    // The view keys, as the View menu runs them.
    enum class TView { Top, Front, Right, Isometric, Narrow, Start, All };
    void ShowView(TView View);

    TNyxPanel* Panel() const { return FPanel; }
    TNyxPanelWidget& PanelWidget() const { return *FPanelWidget; }
    TNyxScene* Scene() const { return FScene; }
    TNyxCamera* Camera() const { return FCamera; }
    QTreeWidget& Layers() const { return *FLayers; }
    QTreeWidget& SceneTree() const { return *FSceneTree; }
    QMenu& RecentMenu() const { return *FRecent; }
    // The status bar's parts: what the last frame drew, its time, the selection, the
    // point under the cursor.
    QString StatusText() const;
    // Reads the scene's selection into the Scene dock and the status bar (after a
    // selection made in the view).
    void ShowSelection();
    // The world point under the cursor at Pos (widget pixels) into the status bar.
    void ShowPointAt(QPoint Pos);

    // Chooses a file to open (ForSaving false) or to save to, and the size of an
    // exported picture; empty when the user cancels. Dialogs unless replaced (tests do).
    std::function<std::string(bool ForSaving, const QString& Filters)> ChooseFile;
    std::function<std::optional<QSize>()> ChoosePictureSize;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    // The camera's authored view, as a file gave it: R puts it back.
    struct TPose {
        TGLArrayd3 Position{}, Target{}, Up{};
        double FOVY = 0, Near = 0, Far = 0;
    };
    static TPose PoseOf(const TNyxCamera& Camera);
    void Apply(const TPose& Pose);

    std::unique_ptr<TComponent> Read(const std::string& FileName, TNyxCamera*& Camera);
    // Shows the scene of Root, building its first frame; true when FileName is shown.
    bool Show(std::unique_ptr<TComponent> Root, TNyxCamera* Camera, const std::string& FileName);
    void ShowFileName(const std::string& FileName);
    void BuildMenus();
    void BuildDocks();
    void FillLayers();
    void FillSceneTree();
    void FillChildren(QTreeWidgetItem* Node);
    QTreeWidgetItem* Reveal(TNyxObject* Object);
    void CountObjects();
    void AddRecent(const std::string& FileName);
    void FillRecentMenu();
    void ShowFrame();
    void ShowSelected();
    void OrbitAbout(QPoint Pos);
    bool PointAt(QPoint Pos, TGLArrayd3& World) const;
    bool Attempt(const std::function<void()>& Command);
    std::string ChooseWithDialog(bool ForSaving, const QString& Filters);

    TComponent FPanelOwner{nullptr};
    TNyxPanel* FPanel;
    TNyxPanelWidget* FPanelWidget = nullptr;
    std::unique_ptr<TViewerInput> FInput;
    std::unique_ptr<TComponent> FRoot;  // the scene shown and everything in it
    TNyxScene* FScene = nullptr;
    TNyxCamera* FCamera = nullptr;
    std::string FFileName;
    TPose FStart;
    std::optional<TPose> FBeforeNarrow;  // the view key 5 left; none: not narrowed
    TDrawCounter FCounter;
    TLoadProgress FProgress;
    QTreeWidget* FLayers = nullptr;
    QTreeWidget* FSceneTree = nullptr;
    QHash<const TNyxObject*, QTreeWidgetItem*> FNodes;  // the Scene dock's items made so far
    QMenu* FRecent = nullptr;
    QLabel* FDrawn = nullptr;
    QLabel* FTime = nullptr;
    QLabel* FSelected = nullptr;
    QLabel* FPoint = nullptr;
    QTimer FPointTimer;  // the point under a resting cursor: a pick is a pass over the scene
    QPoint FCursor;
    std::int64_t FObjects = 0;  // visible drawable objects of the scene
    bool FFilling = false;      // docks being filled: their signals are not the user's
};

}  // namespace nyx
