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
void RunConverter(TNyxObject& Root, const std::string& FileName, void (TDXFConverter::*Step)()) {
    TDXFConverter converter(nullptr);
    converter.SetRoot(&Root);
    converter.SetFileName(FileName);
    converter.SetReadExtendedEntities(true);
    try {
        (converter.*Step)();
    } catch (const EDXFReadException& e) {
        if (e.LineNumber() < 0)
            throw EDXFReadException(FileName + ": " + e.Message(), -1);
        const std::string& text = e.Message();
        throw EDXFReadException(FileName + ": line " + std::to_string(converter.FileLine()) + ": " +
                                    text.substr(0, text.find("\r\n")),
                                -1);
    } catch (const Exception& e) {
        throw Exception(FileName + ": " + e.Message());
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

}  // namespace

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
        return StartsLikeDrawing(file) ? TSceneFileForm::Dxf : TSceneFileForm::Text;
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

void LoadSceneFile(TNyxObject& Root, const std::string& FileName) {
    switch (FormOfContents(FileName)) {
    case TSceneFileForm::Binary:
        Root.LoadFromFile(FileName);
        return;
    case TSceneFileForm::Text:
        Root.LoadFromTextFile(FileName);
        return;
    case TSceneFileForm::Dxf:
        RunConverter(Root, FileName, &TDXFConverter::LoadFromFile);
        return;
    case TSceneFileForm::Model:
        LoadModel(Root, FileName);
        return;
    }
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

void ConvertSceneFile(const std::string& InFile, const std::string& OutFile, TSceneFileForm Form) {
    const TSceneFileForm in = FormOfContents(InFile);
    if (Form == TSceneFileForm::Dxf || Form == TSceneFileForm::Model || in == TSceneFileForm::Dxf ||
        in == TSceneFileForm::Model) {
        TComponent owner(nullptr);
        auto* scene = new TNyxScene(&owner);
        LoadSceneFile(*scene, InFile);
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
