#include "drawprobe.h"

namespace nyx::test {

const TMetaClass& TProbe::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TProbe, TNyxObject>("TProbe");
    return meta;
}
const TMetaClass& TQuad::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TQuad, TNyxObject>("TQuad");
    return meta;
}
const TMetaClass& TTestLight::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TTestLight, TProbe>("TTestLight");
    return meta;
}
const TMetaClass& TCountingPanel::StaticClass() {
    static const TMetaClass meta = TMetaClass::Make<TCountingPanel, TNyxPanel>("TCountingPanel");
    return meta;
}

}  // namespace nyx::test
