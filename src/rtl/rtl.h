#pragma once
// Forward declarations of the component framework.

namespace nyx {
class TObject;
class TMetaClass;
struct TPropInfo;
struct TEnumInfo;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TOwnedCollection;
class TFiler;
class TReader;
class TWriter;
class TStream;
class TBitmap;
class TFont;
class TCanvas;
class TBitmapCanvas;
class TPrinter;
class TBitmapPrinter;
class THost;
class TScreen;
class Exception;
}  // namespace nyx
