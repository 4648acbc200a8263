// Saving and loading a scene object with its subtree: the streaming hooks of TNyxObject
// and its six persistence operations.

#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/scope.h"
#include "rtl/streams.h"
#include "scene/object.h"

#include <algorithm>
#include <string>

namespace nyx {

namespace {

// Large scenes are read twice (the check, then the load): in smaller blocks the system
// calls would cost more than the values.
constexpr int BufferSize = 64 * 1024;

// Runs Work; a framework error leaving it comes back with FileName in front of its
// message.
template <class F>
void NamingFile(const std::string& FileName, F&& Work) {
    try {
        Work();
    } catch (Exception& e) {
        e.AddContext(FileName + ": ");
        throw;
    }
}

// The text form's counterpart of the binary check: nested objects of classes a reader
// cannot create are refused by their line. The root's class is not compared.
void CheckTextClass(const std::string& ClassName, const std::string& Name, int Line, int Depth) {
    if (Depth == 0)
        return;
    const TMetaClass* cls = GetClass(ClassName);
    if (cls && cls->CanCreateComponent())
        return;
    throw EClassNotFound("TNyxObject.LoadFromTextFile: line " + std::to_string(Line) + ": class " +
                         ClassName + " of object \"" + Name + "\"" +
                         (cls ? " cannot be created by name"
                              : " is not registered; register it with RegisterClasses before "
                                "loading"));
}

}  // namespace

// --- Streaming hooks -----------------------------------------------------------------

void TNyxObject::WriteState(TWriter& Writer) {
    Writer.SetIgnoreChildren(false);
    TComponent::WriteState(Writer);
}

void TNyxObject::ReadState(TReader& Reader) {
    Reader.SetIgnoreChildren(false);
    // Only a class that publishes its transform can find it in a stream; the others
    // keep theirs.
    const auto& props = ClassType().Properties();
    const bool streamed = std::any_of(props.begin(), props.end(), [this](const TPropInfo* p) {
        return p->ClassKind == TClassPropKind::ckOwned && p->GetObject(*this) == &FXForm;
    });
    if (!streamed) {
        TComponent::ReadState(Reader);
        return;
    }
    FXForm.Translate()->Store({0, 0, 0});
    FXForm.Rotate()->Store({0, 0, 0});
    FXForm.Scale()->Store({0, 0, 0});
    // Recomposed once, however the read ends: the matrix must match the components.
    const TUpdateScope update(FXForm);
    TComponent::ReadState(Reader);
}

void TNyxObject::OnReadError(TReader*, const std::string&, bool& Handled) { Handled = true; }

// --- Streams -------------------------------------------------------------------------

void TNyxObject::SaveToWriter(TWriter& Writer) { Writer.WriteRootComponent(this); }

void TNyxObject::LoadFromReader(TReader& Reader) {
    const TUpdateScope update(*this);
    Clear();
    Reader.SetOnError(TReaderError::Bind<&TNyxObject::OnReadError>(this));
    // A read that fails half-way still gives the object its own name back.
    const std::string kept = Name();
    const TOnExit rename([&] { SetName(kept); });
    Reader.ReadRootComponent(this);
}

// --- Files ---------------------------------------------------------------------------

void TNyxObject::SaveToFile(const std::string& FileName) {
    NamingFile(FileName, [&] {
        TReplacingFileStream file(FileName);
        {
            TWriter writer(file, BufferSize);
            SaveToWriter(writer);
        }
        file.Commit();
    });
}

void TNyxObject::LoadFromFile(const std::string& FileName) {
    NamingFile(FileName, [&] {
        TFileStream file(FileName, fmOpenRead);
        {
            TReader check(file, BufferSize);
            check.CheckRootComponent();
        }
        file.SetPosition(0);
        TReader reader(file, BufferSize);
        LoadFromReader(reader);
    });
}

void TNyxObject::SaveToTextFile(const std::string& FileName) {
    NamingFile(FileName, [&] {
        TMemoryStream binary;
        binary.WriteComponent(this);
        binary.SetPosition(0);
        TReplacingFileStream file(FileName);
        ObjectBinaryToText(binary, file);
        file.Commit();
    });
}

void TNyxObject::LoadFromTextFile(const std::string& FileName) {
    NamingFile(FileName, [&] {
        TMemoryStream binary;
        {
            TFileStream file(FileName, fmOpenRead);
            ObjectTextToBinary(file, binary, &CheckTextClass);
        }
        binary.SetPosition(0);
        TReader reader(binary, BufferSize);
        LoadFromReader(reader);
    });
}

}  // namespace nyx
