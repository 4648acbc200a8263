#include "scenefile.h"

#include "rtl/objtext.h"
#include "rtl/streams.h"
#include "rtl/sysutils.h"
#include "scene/object.h"

#include <filesystem>

namespace nyx {

const char* FormName(TSceneFileForm Form) {
    switch (Form) {
    case TSceneFileForm::Binary:
        return "binary";
    case TSceneFileForm::Text:
        return "text";
    }
    return "";
}

TSceneFileForm FormOfContents(const std::string& FileName) {
    try {
        TFileStream file(FileName, fmOpenRead);
        return IsObjectBinary(file) ? TSceneFileForm::Binary : TSceneFileForm::Text;
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
    }
}

void ConvertSceneFile(const std::string& InFile, const std::string& OutFile,
                      TSceneFileForm Form) {
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
    switch (Form) {
    case TSceneFileForm::Binary:
        binary.SaveToStream(out);
        break;
    case TSceneFileForm::Text:
        ObjectBinaryToText(binary, out);
        break;
    }
    out.Commit();
}

}  // namespace nyx
