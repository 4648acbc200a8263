// Saving and loading object trees: what a load replaces and what it keeps, transforms
// read back exactly, references resolved after the read, one repaint per load, and
// failures that leave both the object and the file on disk as they were.

#include "drawprobe.h"
#include "objects/box.h"
#include "objects/quadrics.h"
#include "progresslog.h"
#include "rtl/filer.h"
#include "rtl/host.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/material.h"
#include "scene/panel.h"
#include "scene/scene.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace nyx {
namespace {

namespace fs = std::filesystem;
using test::Strings;
using test::TTempDir;

std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& Path, const std::string& Data) {
    std::ofstream(Path, std::ios::binary) << Data;
}

// The text form of an object with its subtree: equal texts, equal trees.
std::string TextOf(TNyxObject* Object) {
    TMemoryStream binary, text;
    binary.WriteComponent(Object);
    binary.SetPosition(0);
    ObjectBinaryToText(binary, text);
    return std::string(reinterpret_cast<const char*>(text.Memory()), std::size_t(text.Size()));
}

template <class T>
T* Add(TComponent* Owner, TNyxObject* Parent, const std::string& Name) {
    auto* o = new T(Owner);
    o->SetName(Name);
    o->SetParentComponent(Parent);
    return o;
}

void SetVertex(TNyxVertex3* V, double X, double Y, double Z) {
    V->SetX(X);
    V->SetY(Y);
    V->SetZ(Z);
}

// Tree events heard by a listener, one line each.
struct TListener {
    Strings Log;
    void Heard(TNyxObject* Sender, TNyxObjectAction Action, void* Data) {
        std::string line = TNyxObjectActionInfo().NameOf(Action) + " " + Sender->Name();
        if (Action == saRename)
            line += " " + *static_cast<std::string*>(Data);
        Log.push_back(line);
    }
    TNyxObjectNotify Proc() { return TNyxObjectNotify::Bind<&TListener::Heard>(this); }
};

// Both forms of file, through the six operations.
struct TForm {
    const char* Name;
    const char* File;
    void (TNyxObject::*Save)(const std::string&);
    void (TNyxObject::*Load)(const std::string&);
};
const TForm Forms[] = {
    {"binary", "scene.nyx", &TNyxObject::SaveToFile, &TNyxObject::LoadFromFile},
    {"text", "scene.nyxt", &TNyxObject::SaveToTextFile, &TNyxObject::LoadFromTextFile},
};

// A scene with a box (under which a sphere sits), a light following the box and a
// camera looking at it, all owned by a form.
struct TSample {
    TSample() {
        Scene->SetName("Scene1");
        Box = Add<TNyxBox>(&Form, Scene, "Box1");
        SetVertex(Box->XForm()->Scale(), 2, 0, 1);
        Add<TNyxSphere>(&Form, Box, "Ball1")->SetSlices(7);
        auto* light = Add<TNyxLight>(&Form, Scene, "Light1");
        light->SetPositionObject(Box);
        auto* camera = Add<TNyxCamera>(&Form, Scene, "Camera1");
        camera->SetTargetObject(Box);
    }
    TComponent Form{nullptr};
    TNyxScene* Scene = new TNyxScene(&Form);
    TNyxBox* Box;
};

// --- What a load gives -----------------------------------------------------------------

TEST(Persistence, LoadGivesTheStoredTreeInEitherForm) {
    TSample sample;
    TTempDir dir;
    for (const TForm& f : Forms) {
        SCOPED_TRACE(f.Name);
        (sample.Scene->*f.Save)(dir / f.File);
        TComponent form(nullptr);
        auto* scene = new TNyxScene(&form);
        scene->SetName("Scene1");
        (scene->*f.Load)(dir / f.File);
        EXPECT_EQ(TextOf(scene), TextOf(sample.Scene));
        // A scale component saved as 0 (and so left out) reads back as 0.
        auto* box = dynamic_cast<TNyxBox*>(scene->GetItem(0));
        ASSERT_TRUE(box);
        EXPECT_EQ(box->XForm()->Scale()->Data(), (TGLArrayd3{2, 0, 1}));
        // Everything read is owned by the object loaded into.
        EXPECT_EQ(box->Owner(), scene);
        EXPECT_EQ(box->GetItem(0)->Owner(), scene);
        // A light read from a stream has the identity for its transform.
        TGLMatrixd4 lightMatrix;
        scene->GetItem(1)->GetMatrix(lightMatrix);
        EXPECT_EQ(lightMatrix, idd);
        // References point into the loaded tree.
        EXPECT_EQ(static_cast<TNyxLight*>(scene->GetItem(1))->PositionObject(), box);
        EXPECT_EQ(static_cast<TNyxCamera*>(scene->GetItem(2))->TargetObject(), box);
    }
    // The two files hold the same stream.
    TMemoryStream text, binary;
    {
        TFileStream file(dir / "scene.nyxt", fmOpenRead);
        ObjectTextToBinary(file, binary);
    }
    EXPECT_EQ(
        ReadFile(dir / "scene.nyx"),
        std::string(reinterpret_cast<const char*>(binary.Memory()), std::size_t(binary.Size())));
}

TEST(Persistence, LoadReplacesTheChildrenAndKeepsTheName) {
    TSample sample;
    sample.Scene->SetName("A");
    TTempDir dir;
    sample.Scene->SaveToFile(dir / "a.nyx");

    TComponent form(nullptr);
    auto* target = new TNyxScene(&form);
    target->SetName("B");
    Add<TNyxBox>(&form, Add<TNyxObject>(&form, target, "Old1"), "Old2");
    Add<TNyxObject>(&form, target, "Old3");
    TListener listener;
    target->RegisterNotify(listener.Proc());
    const std::int32_t live = LiveObjectCount;
    target->LoadFromFile(dir / "a.nyx");
    target->UnregisterNotify(listener.Proc());

    EXPECT_EQ(target->Name(), "B");
    Strings children;
    for (TNyxObject* child : target->Items())
        children.push_back(child->Name());
    EXPECT_EQ(children, (Strings{"Box1", "Light1", "Camera1"}));
    EXPECT_EQ(LiveObjectCount, live - 3 + 4);
    // Removals of the old children, insertions of the new ones, and one rename.
    Strings renames;
    for (const std::string& line : listener.Log)
        if (line.rfind("saRename", 0) == 0)
            renames.push_back(line);
    EXPECT_EQ(renames, (Strings{"saRename B A"}));
    EXPECT_EQ(listener.Log.front(), "saRemove Old3");
}

TEST(Persistence, PropertiesUnknownToTheLoadingClassAreSkipped) {
    TComponent form(nullptr);
    auto* sphere = new TNyxSphere(&form);
    sphere->SetIdent("round");
    sphere->SetSlices(9);
    sphere->XForm()->Translate()->SetX(2);
    TTempDir dir;
    sphere->SaveToTextFile(dir / "sphere.nyxt");

    auto* box = new TNyxBox(&form);
    box->LoadFromTextFile(dir / "sphere.nyxt");
    EXPECT_EQ(box->ClassName(), "TNyxBox");
    EXPECT_EQ(box->Ident(), "round");
    EXPECT_EQ(box->XForm()->Translate()->X(), 2);
}

TEST(Persistence, ReadingIntoATransformedObjectGivesExactlyTheStoredTransform) {
    struct Case {
        TGLArrayd3 Translate, Rotate, Scale;
    };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, 0}, {1, 1, 1}},
        {{1, 0, 0}, {0, 45, 0}, {0, 2, 0}},
        {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        TNyxBox stored(nullptr);
        SetVertex(stored.XForm()->Translate(), c.Translate[0], c.Translate[1], c.Translate[2]);
        SetVertex(stored.XForm()->Rotate(), c.Rotate[0], c.Rotate[1], c.Rotate[2]);
        SetVertex(stored.XForm()->Scale(), c.Scale[0], c.Scale[1], c.Scale[2]);
        TMemoryStream stream;
        stream.WriteComponent(&stored);

        TNyxBox target(nullptr);
        SetVertex(target.XForm()->Translate(), 5, 6, 7);
        SetVertex(target.XForm()->Rotate(), 10, 20, 30);
        SetVertex(target.XForm()->Scale(), 3, 3, 3);
        const std::int32_t index = target.GetChangeIndex();
        stream.SetPosition(0);
        TReader reader(stream, 4096);
        target.LoadFromReader(reader);

        EXPECT_EQ(target.XForm()->Translate()->Data(), c.Translate);
        EXPECT_EQ(target.XForm()->Rotate()->Data(), c.Rotate);
        EXPECT_EQ(target.XForm()->Scale()->Data(), c.Scale);
        TGLMatrixd4 want, got;
        stored.GetMatrix(want);
        target.GetMatrix(got);
        EXPECT_EQ(got, want);
        EXPECT_NE(target.GetChangeIndex(), index) << "holders of world-space data must rebuild";
    }
    // A class that does not stream its transform keeps the one it has.
    TNyxLight stored(nullptr), target(nullptr);
    SetVertex(target.XForm()->Translate(), 4, 5, 6);
    TMemoryStream stream;
    stream.WriteComponent(&stored);
    stream.SetPosition(0);
    TReader reader(stream, 4096);
    target.LoadFromReader(reader);
    EXPECT_EQ(target.XForm()->Translate()->Data(), (TGLArrayd3{4, 5, 6}));
    EXPECT_EQ(target.XForm()->Scale()->Data(), (TGLArrayd3{1, 1, 1}));
}

TEST(Persistence, ChildrenAreWrittenAndReadWhateverTheFilerSays) {
    TSample sample;
    TMemoryStream stream;
    {
        TWriter writer(stream, 4096);
        writer.SetIgnoreChildren(true);
        sample.Scene->SaveToWriter(writer);
    }
    TComponent form(nullptr);
    auto* scene = new TNyxScene(&form);
    stream.SetPosition(0);
    TReader reader(stream, 4096);
    reader.SetIgnoreChildren(true);
    scene->LoadFromReader(reader);
    EXPECT_EQ(scene->GetItemsCount(), 3);
    EXPECT_EQ(scene->GetItem(0)->GetItemsCount(), 1);
}

// --- References ----------------------------------------------------------------------

// A form that streams its components as the designer does: those without a scene-graph
// parent at the top, scene objects nested in their parents.
class TTestForm : public TComponent {
    NYX_CLASS(TTestForm)
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& Proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i)
            if (!Components(i)->HasParent())
                Proc(Components(i));
    }
};

const TMetaClass& TTestForm::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TTestForm, TComponent>("TTestForm");
    return meta;
}

TEST(Persistence, ReferencesAreResolvedAfterTheRead) {
    RegisterClasses({&TNyxScene::StaticClass(), &TNyxPanel::StaticClass(),
                     &TNyxMaterialLibrary::StaticClass()});
    TMemoryStream stream;
    {
        // Each reference is written before the component it names.
        TTestForm form(nullptr);
        auto* panel = new TNyxPanel(&form);
        panel->SetName("Panel1");
        auto* scene = new TNyxScene(&form);
        scene->SetName("Scene1");
        auto* camera = Add<TNyxCamera>(&form, scene, "Camera1");
        auto* box = Add<TNyxBox>(&form, scene, "Box1");
        camera->SetTargetObject(box);
        auto* library = new TNyxMaterialLibrary(&form);
        library->SetName("Library1");
        scene->SetMaterialLibrary(library);
        panel->SetCamera(camera);
        stream.WriteComponent(&form);
    }
    TTestForm form(nullptr);
    stream.SetPosition(0);
    stream.ReadComponent(&form);
    auto* scene = dynamic_cast<TNyxScene*>(form.FindComponent("Scene1"));
    auto* panel = dynamic_cast<TNyxPanel*>(form.FindComponent("Panel1"));
    auto* camera = dynamic_cast<TNyxCamera*>(form.FindComponent("Camera1"));
    ASSERT_TRUE(scene && panel && camera);
    EXPECT_EQ(scene->MaterialLibrary(), form.FindComponent("Library1"));
    EXPECT_EQ(panel->Camera(), camera);
    EXPECT_EQ(camera->TargetObject(), form.FindComponent("Box1"));
    // The panel joined the scene of the camera it was given.
    EXPECT_EQ(scene->Panels(), std::vector<TNyxPanel*>{panel});
    UnRegisterClasses({&TNyxScene::StaticClass(), &TNyxPanel::StaticClass(),
                       &TNyxMaterialLibrary::StaticClass()});
}

// --- Repaints ------------------------------------------------------------------------

TEST(Persistence, ALoadIntoASceneRepaintsItsPanelsOnce) {
    TSample sample;
    sample.Scene->SetBackgroundColor(clBlue);
    TMemoryStream stream;
    stream.WriteComponent(sample.Scene);
    const std::string truncated(reinterpret_cast<const char*>(stream.Memory()),
                                std::size_t(stream.Size() / 2));

    struct Case {
        const char* Name;
        bool Whole;
    };
    for (const Case c : {Case{"whole", true}, Case{"truncated", false}}) {
        SCOPED_TRACE(c.Name);
        TComponent form(nullptr);
        auto* scene = new TNyxScene(&form);
        scene->SetName("Target");
        Add<TNyxBox>(&form, scene, "Old");
        auto* panel = new test::TCountingPanel(&form);
        scene->RegisterGLPanel(panel);
        TMemoryStream input;
        if (c.Whole)
            input.CopyFrom(stream, 0);
        else
            input.WriteBuffer(truncated.data(), std::int64_t(truncated.size()));
        input.SetPosition(0);
        TReader reader(input, 4096);
        if (c.Whole) {
            scene->LoadFromReader(reader);
        } else {
            // A reader gets no check beforehand: the old children are gone, and the
            // update bracket still ends and the name comes back.
            EXPECT_THROW(scene->LoadFromReader(reader), EReadError);
        }
        EXPECT_EQ(panel->Repaints, 1);
        EXPECT_EQ(scene->UpdateCount(), 0);
        EXPECT_EQ(scene->Name(), "Target");
        EXPECT_EQ(scene->ItemByIdent("Old"), nullptr);
    }
}

// --- Failures --------------------------------------------------------------------------

TEST(Persistence, AFileThatFailsTheCheckLeavesTheObjectUntouched) {
    TTempDir dir;
    TSample sample;
    sample.Scene->SaveToFile(dir / "good.nyx");
    sample.Scene->SaveToTextFile(dir / "good.nyxt");
    const std::string binary = ReadFile(dir / "good.nyx");
    const std::string text = ReadFile(dir / "good.nyxt");
    WriteFile(dir / "cut.nyx", binary.substr(0, binary.size() * 2 / 3));
    WriteFile(dir / "cut.nyxt", text.substr(0, text.size() * 2 / 3));
    std::string unknown = text;
    unknown.replace(unknown.find("TNyxSphere"), 10, "TNyxSquare");
    WriteFile(dir / "unknown.nyxt", unknown);
    {
        TMemoryStream in, out;
        in.WriteBuffer(unknown.data(), std::int64_t(unknown.size()));
        in.SetPosition(0);
        ObjectTextToBinary(in, out);
        out.SaveToFile(dir / "unknown.nyx");
    }
    const int unknownLine =
        int(std::count(text.begin(), text.begin() + text.find("TNyxSphere"), '\n')) + 1;

    struct Case {
        const char* File;
        bool Text;
        std::string Position;  // what the message names besides the file
    };
    const Case cases[] = {
        {"missing.nyx", false, "No such file"},
        {"cut.nyx", false, "(byte "},
        {"unknown.nyx", false, "TNyxSquare of object \"Ball1\" (byte "},
        {"good.nyxt", false, "signature"},
        {"missing.nyxt", true, "No such file"},
        {"cut.nyxt", true, "line "},
        {"unknown.nyxt", true, "line " + std::to_string(unknownLine) + ": class TNyxSquare"},
        {"good.nyx", true, "line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File);
        TComponent form(nullptr);
        auto* scene = new TNyxScene(&form);
        scene->SetName("Kept");
        Add<TNyxSphere>(&form, Add<TNyxBox>(&form, scene, "Box9"), "Ball9");
        const std::string before = TextOf(scene);
        TListener listener;
        scene->RegisterNotify(listener.Proc());
        const std::string file = dir / c.File;
        try {
            c.Text ? scene->LoadFromTextFile(file) : scene->LoadFromFile(file);
            ADD_FAILURE() << "no error";
        } catch (const EStreamError& e) {
            EXPECT_EQ(e.Message().rfind(file + ": ", 0), 0u) << e.Message();
            EXPECT_NE(e.Message().find(c.Position), std::string::npos) << e.Message();
        }
        scene->UnregisterNotify(listener.Proc());
        EXPECT_EQ(TextOf(scene), before);
        EXPECT_EQ(listener.Log, Strings{});
    }
    EXPECT_EQ(ReadFile(dir / "good.nyx"), binary);
}

// Runs Body in a child process that cannot write where root could, as a user would.
// Answers the child's exit status.
template <class F>
int AsUnprivilegedUser(F&& Body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(77);
        _exit(Body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A load into a scene tells its OnProgress how many bytes of the stream are read; a
// handler that raises ends the load with its error.
TEST(Persistence, AStreamLoadIntoASceneReportsItsProgress) {
    TComponent owner(nullptr);
    auto* source = new TNyxScene(&owner);
    for (int i = 0; i < 3000; ++i)
        Add<TNyxBox>(&owner, source, "Box" + std::to_string(i));
    TMemoryStream stream;
    stream.WriteComponent(source);
    const std::int64_t size = stream.Size();
    ASSERT_GT(size, 50 * 4096) << "enough buffer fills for many steps";

    auto* target = new TNyxScene(&owner);
    test::TProgressLog log;
    target->SetOnProgress(log.Event());
    stream.SetPosition(0);
    {
        TReader reader(stream, 4096);
        target->LoadFromReader(reader);
    }
    log.ExpectWellFormed(size);
    EXPECT_EQ(log.Sender, target);
    EXPECT_GT(log.Reports.size(), 30u);
    EXPECT_EQ(target->Items().size(), 3000u);

    test::TProgressLog cancelling;
    cancelling.CancelAt = 3;
    target->SetOnProgress(cancelling.Event());
    stream.SetPosition(0);
    TReader reader(stream, 4096);
    EXPECT_THROW(target->LoadFromReader(reader), std::runtime_error);
    EXPECT_EQ(cancelling.Reports.size(), 3u);
    EXPECT_LT(target->Items().size(), 3000u);
}

TEST(Persistence, AFailedSaveKeepsTheOldFile) {
    TTempDir dir;
    fs::permissions(dir.Path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    TSample sample;
    for (const TForm& f : Forms) {
        SCOPED_TRACE(f.Name);
        const std::string file = dir / f.File;
        WriteFile(file, "old contents");
        // The camera refers to an object without a name: the write fails half-way.
        auto* nameless = new TNyxBox(&sample.Form);
        nameless->SetParentComponent(sample.Scene);
        static_cast<TNyxCamera*>(sample.Scene->GetItem(2))->SetTargetObject(nameless);
        EXPECT_THROW((sample.Scene->*f.Save)(file), EWriteError);
        delete nameless;
        EXPECT_EQ(ReadFile(file), "old contents");

        // A folder that takes no new file.
        const std::string locked = dir / (std::string("locked_") + f.Name);
        fs::create_directory(locked);
        const std::string inLocked = locked + "/" + f.File;
        WriteFile(inLocked, "old contents");
        fs::permissions(inLocked, fs::perms::all);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
        const int status = AsUnprivilegedUser([&] {
            try {
                (sample.Scene->*f.Save)(inLocked);
            } catch (const EFCreateError& e) {
                return e.Message().find(inLocked) == 0 ? 0 : 2;
            }
            return 1;
        });
        if (status == 77)
            GTEST_SKIP() << "cannot give up root's rights here";
        EXPECT_EQ(status, 0);
        EXPECT_EQ(ReadFile(inLocked), "old contents");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()),
                  std::ptrdiff_t(2 * (&f - Forms + 1)))
            << "no temporary file left behind";
    }
}

}  // namespace
}  // namespace nyx
