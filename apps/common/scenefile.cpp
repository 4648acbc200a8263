#include "scenefile.h"

#include "dxf/converter.h"
#ifdef NYX_HAVE_MODELS
#include "models/model.h"
#endif
#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "rtl/sysutils.h"
#include "scene/scene.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string_view>

namespace nyx {

namespace {

// Whether the stream opens with a group code line (blanks, digits, blanks, the line's
// end) or is a binary drawing, which the converter refuses with a message that says
// what it is. Scene streams open with their signature or with a word ("object").
bool StartsLikeDrawing(TStream& Stream) {
    char head[64];
    const std::int64_t n = Stream.Read(head, sizeof head);
    const char* const end = head + std::max<std::int64_t>(n, 0);
    if (std::string_view(head, std::size_t(end - head)).starts_with(BinaryDXFSentinel))
        return true;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const char* p = std::find_if_not(static_cast<const char*>(head), end, blank);
    const char* const digits = p;
    p = std::find_if_not(p, end,
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    if (p == digits)
        return false;
    p = std::find_if_not(p, end, blank);
    if (p != end && *p == '\r')
        ++p;
    return p != end && *p == '\n';
}

// Loads or saves a drawing: Step of a converter on Root and FileName. Errors come with
// the file in front, in one line; a read error names the line of the file it lies at
// (the converter's own number counts the lines read again after its section searches).
void RunConverter(TNyxObject& Root, const std::string& FileName, void (TDXFConverter::*Step)(),
                  const TProgressEvent& Progress = {}) {
    TDXFConverter converter(nullptr);
    converter.SetRoot(&Root);
    converter.SetFileName(FileName);
    converter.SetReadExtendedEntities(true);
    converter.SetWriteLayersOff(true);
    converter.SetOnProgress(Progress);
    try {
        (converter.*Step)();
    } catch (const EDXFReadException& e) {
        if (e.LineNumber() < 0)
            throw EDXFReadException(FileName + ": " + e.Message(), -1);
        const std::string& text = e.Message();
        throw EDXFReadException(FileName + ": line " + std::to_string(converter.FileLine()) + ": " +
                                    text.substr(0, text.find("\r\n")),
                                -1);
    } catch (Exception& e) {
        e.AddContext(FileName + ": ");
        throw;
    }
}

#ifdef NYX_HAVE_MODELS
bool IsModel(const std::string& FileName) { return IsModelFileName(FileName); }
bool IsModelOut(const std::string& FileName) { return IsModelExportName(FileName); }

// A model replaces Root's children with its group, once it has been read whole.
void LoadModel(TNyxObject& Root, const std::string& FileName) {
    std::unique_ptr<TNyxObject> group(ImportModel(&Root, FileName));
    Root.BeginUpdate();
    Root.Clear();
    group.release()->SetParentComponent(&Root);
    Root.EndUpdate();
}

void SaveModel(TNyxObject& Root, const std::string& FileName) { ExportModel(Root, FileName); }
#else
// Built without Assimp: no file is taken for a model.
bool IsModel(const std::string&) { return false; }
bool IsModelOut(const std::string&) { return false; }
[[noreturn]] void NoModels(const std::string& FileName) {
    throw Exception(FileName + ": this program was built without model files (Assimp)");
}
void LoadModel(TNyxObject&, const std::string& FileName) { NoModels(FileName); }
void SaveModel(TNyxObject&, const std::string& FileName) { NoModels(FileName); }
#endif

// Whether the stream opens as the text form does: after an optional byte-order mark,
// blanks and // comments, the word "object".
bool StartsWithObjectWord(TStream& Stream) {
    std::string head(4096, '\0');
    head.resize(std::size_t(std::max<std::int64_t>(Stream.Read(head.data(), 4096), 0)));
    std::size_t p = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    for (;;) {
        p = head.find_first_not_of(" \t\r\n", p);
        if (p == std::string::npos || head.compare(p, 2, "//") != 0)
            break;
        p = head.find('\n', p);
    }
    if (p == std::string::npos)
        return true;  // blanks and comments only, as far as read: the reader tells the rest
    const auto identChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    return head.size() >= p + 6 && SameText(head.substr(p, 6), "object") &&
           (head.size() == p + 6 || !identChar(head[p + 6]));
}

// The first line of the stream as a person can read it: at most 40 characters, those
// that do not print as \xNN.
std::string Beginning(TStream& Stream) {
    char head[40];
    const std::int64_t n = Stream.Read(head, sizeof head);
    std::string shown;
    for (std::int64_t i = 0; i < n && head[i] != '\n' && head[i] != '\r'; ++i) {
        const auto c = static_cast<unsigned char>(head[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += char(c);
        } else {
            static const char digits[] = "0123456789ABCDEF";
            shown += std::string("\\x") + digits[c >> 4] + digits[c & 15];
        }
    }
    return shown;
}

}  // namespace

const char* const UnknownContents =
    "not a file the programs read: expected a scene file in binary form, a scene file in text "
    "form (beginning with \"object\"), an ASCII DXF drawing (beginning with a group code)"
#ifdef NYX_HAVE_MODELS
    " or a model by its extension (OBJ, STL, PLY, glTF, 3DS, COLLADA, FBX, ...)"
#endif
    ;

const char* FormName(TSceneFileForm Form) {
    switch (Form) {
    case TSceneFileForm::Binary:
        return "binary";
    case TSceneFileForm::Text:
        return "text";
    case TSceneFileForm::Dxf:
        return "DXF";
    case TSceneFileForm::Model:
        return "model";
    }
    return "";
}

TSceneFileForm FormOfContents(const std::string& FileName) {
    try {
        TFileStream file(FileName, fmOpenRead);
        if (IsObjectBinary(file))
            return TSceneFileForm::Binary;
        if (IsModel(FileName))
            return TSceneFileForm::Model;
        if (StartsLikeDrawing(file))
            return TSceneFileForm::Dxf;
        file.SetPosition(0);
        if (StartsWithObjectWord(file))
            return TSceneFileForm::Text;
        file.SetPosition(0);
        const std::string begins = Beginning(file);
        throw EReadError(
            FileName + ": " + UnknownContents +
            (begins.empty() ? "; the file is empty" : "; it begins with \"" + begins + "\""));
    } catch (const EFOpenError& e) {
        // Named as the loads name their errors.
        throw EFOpenError(FileName + ": " + e.Message());
    }
}

std::optional<TSceneFileForm> FormOfName(const std::string& FileName) {
    const std::string ext = std::filesystem::path(FileName).extension().string();
    if (SameText(ext, ".nyx"))
        return TSceneFileForm::Binary;
    if (SameText(ext, ".nyxt"))
        return TSceneFileForm::Text;
    if (SameText(ext, ".dxf"))
        return TSceneFileForm::Dxf;
    if (IsModelOut(FileName))
        return TSceneFileForm::Model;
    return std::nullopt;
}

void LoadSceneFile(TNyxObject& Root, const std::string& FileName, const TProgressEvent& Progress) {
    const TSceneFileForm form = FormOfContents(FileName);
    if (form == TSceneFileForm::Dxf) {
        RunConverter(Root, FileName, &TDXFConverter::LoadFromFile, Progress);
        return;
    }
    if (form == TSceneFileForm::Model) {
        LoadModel(Root, FileName);
        return;
    }
    // A scene tells the progress of its stream loads to its own event, for this load
    // Progress.
    struct TLent {
        TNyxScene* Scene;
        TProgressEvent Kept;
        ~TLent() {
            if (Scene)
                Scene->SetOnProgress(Kept);
        }
    } lent{Root.AsScene(), Root.AsScene() ? Root.AsScene()->OnProgress() : TProgressEvent()};
    if (lent.Scene)
        lent.Scene->SetOnProgress(Progress);
    if (form == TSceneFileForm::Binary)
        Root.LoadFromFile(FileName);
    else
        Root.LoadFromTextFile(FileName);
}

void SaveSceneFile(TNyxObject& Root, const std::string& FileName, TSceneFileForm Form) {
    switch (Form) {
    case TSceneFileForm::Binary:
        Root.SaveToFile(FileName);
        return;
    case TSceneFileForm::Text:
        Root.SaveToTextFile(FileName);
        return;
    case TSceneFileForm::Dxf:
        RunConverter(Root, FileName, &TDXFConverter::SaveToFile);
        return;
    case TSceneFileForm::Model:
        SaveModel(Root, FileName);
        return;
    }
}

void ConvertSceneFile(const std::string& InFile, const std::string& OutFile, TSceneFileForm Form,
                      const TProgressEvent& Progress) {
    const TSceneFileForm in = FormOfContents(InFile);
    if (Form == TSceneFileForm::Dxf || Form == TSceneFileForm::Model || in == TSceneFileForm::Dxf ||
        in == TSceneFileForm::Model) {
        TComponent owner(nullptr);
        auto* scene = new TNyxScene(&owner);
        LoadSceneFile(*scene, InFile, Progress);
        SaveSceneFile(*scene, OutFile, Form);
        return;
    }
    TMemoryStream binary;
    {
        TFileStream in(InFile, fmOpenRead);
        if (IsObjectBinary(in))
            binary.LoadFromStream(in);
        else
            ObjectTextToBinary(in, binary);
    }
    binary.SetPosition(0);
    TReplacingFileStream out(OutFile);
    if (Form == TSceneFileForm::Binary)
        binary.SaveToStream(out);
    else
        ObjectBinaryToText(binary, out);
    out.Commit();
}

}  // namespace nyx
