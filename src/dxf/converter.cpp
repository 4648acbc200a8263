// The converter component: class information, properties, the root's removal, the
// error class and the colour table shared by reading and writing.
#include "dxf/converter.h"
#include "rtl/streams.h"
#include "scene/object.h"

#include <algorithm>
#include <cmath>

namespace nyx {

// --- Errors ------------------------------------------------------------------------

namespace {
std::string WithLine(const std::string& Message, std::int64_t LineNumber) {
    if (LineNumber <= -1)
        return Message;
    return Message + "\r\nError occured at or near line number " + std::to_string(LineNumber);
}
}  // namespace

EDXFReadException::EDXFReadException(const std::string& Message, std::int64_t LineNumber)
    : Exception(WithLine(Message, LineNumber)), FLineNumber(LineNumber) {}

// --- Colours -----------------------------------------------------------------------

namespace {
constexpr std::array<TColor, 256> MakeLayerColors() {
    constexpr std::uint8_t first[30][3] = {
        {0, 0, 0},     {255, 0, 0},     {255, 255, 0},   {0, 255, 0},     {0, 255, 255},
        {0, 0, 255},   {128, 0, 128},   {255, 255, 255}, {128, 128, 128}, {128, 128, 128},
        {0, 128, 0},   {255, 128, 128}, {192, 0, 0},     {208, 96, 96},   {144, 0, 0},
        {144, 64, 64}, {128, 0, 0},     {128, 64, 64},   {64, 0, 0},      {64, 32, 32},
        {255, 64, 0},  {255, 160, 128}, {192, 48, 0},    {192, 128, 96},  {144, 32, 0},
        {144, 96, 64}, {128, 32, 0},    {112, 64, 48},   {64, 16, 0},     {80, 48, 32}};
    std::array<TColor, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = i < 30 ? RGB(first[i][0], first[i][1], first[i][2]) : RGB(255, 255, 255);
    return table;
}
}  // namespace

const std::array<TColor, 256> DXF_Layer_Colors = MakeLayerColors();

std::int32_t TDXFConverter::find_DXF_color(TColor Color) {
    std::int32_t best = 0;
    std::int64_t bestDistance = -1;
    for (std::size_t i = 0; i < DXF_Layer_Colors.size(); ++i) {
        const TColor c = DXF_Layer_Colors[i];
        const std::int64_t dr = std::int64_t(GetRValue(Color)) - GetRValue(c);
        const std::int64_t dg = std::int64_t(GetGValue(Color)) - GetGValue(c);
        const std::int64_t db = std::int64_t(GetBValue(Color)) - GetBValue(c);
        const std::int64_t distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = std::int32_t(i);
            bestDistance = distance;
        }
    }
    return best;
}

// --- Entity record -------------------------------------------------------------------

void TEntity::Clear() {
    Points = {};
    Size = StartAngle = EndAngle = 0;
    ColorNumber = Flags = FollowFlag = 0;
    Indices = {};
    Text.clear();
    Name.clear();
    Layer.clear();
    LineType.clear();
    Factors = {};
    Extrusion = {};
}

// --- Class information -----------------------------------------------------------------

const TMetaClass& TDXFConverter::StaticClass() {
    using P = Props<TDXFConverter>;
    static const TMetaClass meta = TMetaClass::Make<TDXFConverter, TComponent>(
        "TDXFConverter",
        {
            P::Reference<TNyxObject>("Root", &TDXFConverter::Root, &TDXFConverter::SetRoot),
            P::Boolean("ClearBeforRead", &TDXFConverter::ClearBeforRead,
                       &TDXFConverter::SetClearBeforRead, true),
            P::Boolean("CreateLayersIfNotExists", &TDXFConverter::CreateLayersIfNotExists,
                       &TDXFConverter::SetCreateLayersIfNotExists, true),
            P::Boolean("WriteVPORTInfo", &TDXFConverter::WriteVPORTInfo,
                       &TDXFConverter::SetWriteVPORTInfo, false),
            OfType("TFileName",
                   P::String("FileName", &TDXFConverter::FileName, &TDXFConverter::SetFileName)),
            P::Boolean("ReadExtendedEntities", &TDXFConverter::ReadExtendedEntities,
                       &TDXFConverter::SetReadExtendedEntities, false),
            P::Boolean("WriteLayersOff", &TDXFConverter::WriteLayersOff,
                       &TDXFConverter::SetWriteLayersOff, false),
            P::Float("Deviation", &TDXFConverter::Deviation, &TDXFConverter::SetDeviation),
            P::Event("OnProgress"),
        });
    return meta;
}

// --- Construction ------------------------------------------------------------------------

TDXFConverter::TDXFConverter(TComponent* AOwner)
    : TComponent(AOwner), FBuffer(std::make_unique<char[]>(ReadBufferSize)),
      FOutBuffer(std::make_unique<char[]>(OutputBufferSize)) {
    FValue.reserve(255);
    FLongLine.reserve(255);
}

TDXFConverter::~TDXFConverter() = default;

void TDXFConverter::SetRoot(TNyxObject* Value) {
    if (Value == FRoot)
        return;
    if (FRoot)
        FRoot->RemoveFreeNotification(this);
    FRoot = Value;
    if (FRoot)
        FRoot->FreeNotification(this);
}

void TDXFConverter::SetDeviation(double Value) {
    FDeviation = !(Value > 0) ? 0 : std::clamp(Value, 0.00001, 0.5);
}

void TDXFConverter::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FRoot)
        FRoot = nullptr;
}

}  // namespace nyx
