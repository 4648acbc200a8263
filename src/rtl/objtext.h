#pragma once
// The text form of object streams and its conversion to and from the binary form.
//
//   object Scene1: TNyxScene
//     XForm.Translate.X = 1.5
//     Options = [goDepthTest, goLighting]
//     Caption = "two\nlines"
//     Vertexes = <
//       item
//         X = 1.0
//       end>
//     Texture.Data = {0A0B0C}
//     object Box1: TNyxBox
//     end
//   end
//
// Integers are decimal; doubles always carry a '.' or an exponent and read back bit
// for bit ("+inf", "-inf" and "+nan" for the values without digits). Strings use
// the escapes \" \\ \n \r \t and \xHH. `//` starts a comment.

#include <functional>
#include <string>

namespace nyx {

class TStream;

// Told of every object header of a text stream, the root first: its class, its name
// (empty when none is given), the line it stands on and its depth (the root's is 0).
// What it raises ends the conversion, so a caller can refuse a class by its line.
using TObjectTextProc =
    std::function<void(const std::string& ClassName, const std::string& Name, int Line, int Depth)>;

// Whether the data at Stream's position begins with the signature of the binary form;
// the position is kept. Files of the two forms are told apart by this, not by name.
bool IsObjectBinary(TStream& Stream);

// Each reads Input from its position and appends to Output; malformed input raises
// EReadError naming the byte offset (binary) or the line (text).
void ObjectBinaryToText(TStream& Input, TStream& Output);
void ObjectTextToBinary(TStream& Input, TStream& Output, const TObjectTextProc& OnObject = {});

}  // namespace nyx
