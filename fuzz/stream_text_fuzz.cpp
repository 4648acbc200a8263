// Text object streams from arbitrary bytes: converting to binary and reading the result
// must fail only with the framework's errors.
#include "sample_classes.h"

#include "rtl/filer.h"
#include "rtl/objtext.h"
#include "rtl/streams.h"

#include <cstddef>
#include <cstdint>

using namespace nyx;

namespace {
void Skip(TReader*, const std::string&, bool& handled) { handled = true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = (sample::RegisterSampleClasses(), true);
    (void)registered;
    TMemoryStream text;
    text.WriteBuffer(data, std::int64_t(size));
    text.SetPosition(0);
    TMemoryStream binary;
    try {
        ObjectTextToBinary(text, binary);
    } catch (const Exception&) {
        return 0;
    }
    binary.SetPosition(0);
    sample::TSample root(nullptr);
    try {
        TReader reader(binary, 4096);
        reader.SetOnError(TReaderError::Bind<&Skip>());
        reader.ReadRootComponent(&root);
    } catch (const Exception&) {}
    // Valid text survives the trip to binary and back.
    binary.SetPosition(0);
    TMemoryStream again;
    ObjectBinaryToText(binary, again);
    return 0;
}
