// Binary object streams from arbitrary bytes: reading into a component and converting
// to text must fail only with the framework's errors.
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
    TMemoryStream input;
    input.WriteBuffer(data, std::int64_t(size));
    for (bool handled : {false, true}) {
        input.SetPosition(0);
        sample::TSample root(nullptr);
        try {
            TReader reader(input, 4096);
            if (handled)
                reader.SetOnError(TReaderError::Bind<&Skip>());
            reader.ReadRootComponent(&root);
        } catch (const Exception&) {}
    }
    input.SetPosition(0);
    TMemoryStream text;
    try {
        ObjectBinaryToText(input, text);
        // What converts to text converts back to the same bytes.
        text.SetPosition(0);
        TMemoryStream binary;
        ObjectTextToBinary(text, binary);
    } catch (const Exception&) {}
    return 0;
}
