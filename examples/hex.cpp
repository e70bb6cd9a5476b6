// Hex (Base16) text from bytes and back. CBase16 writes two upper-case
// digits per byte; CBytes also puts the byte count in front, as four
// lower-case digits, which its decoder reads back.
#include <cstdio>

#include <zelu/encoding/base16.h>
#include <zelu/text/zel_string.h>

int main() {
  unsigned char data[] = {0x01, 0xAB, 0x7F};
  CString hex;
  CBase16::Encode(data, sizeof data, hex);
  // CZelString's AsUTF8 view is the simplest way to print wide text.
  std::printf("CBase16::Encode   %s\n", CZelString(hex).AsUTF8());

  unsigned char* bytes = nullptr;  // the decoder allocates it with new[]
  ULONG count = 0;
  if (CBase16::Decode(hex, &bytes, count)) {
    std::printf("CBase16::Decode   %u bytes: %02X %02X %02X\n", count, bytes[0], bytes[1], bytes[2]);
  }
  delete[] bytes;  // the caller's, whatever Decode returned

  CString counted;
  CBytes::encode(data, sizeof data, counted);
  std::printf("CBytes::encode    %s\n", CZelString(counted).AsUTF8());
  int announced = 0;
  bytes = nullptr;
  const bool whole = CBytes::decode(counted, &bytes, announced);
  std::printf("CBytes::decode    %s, %d bytes\n", whole ? "true" : "false", announced);
  delete[] bytes;

  // Decoding stops at the first pair that is not hex. The buffer is still
  // handed over: the bytes before that pair are decoded, the rest are 0.
  bytes = nullptr;
  const bool valid = CBase16::Decode(CString(u"01ZZ7F"), &bytes, count);
  std::printf("decode \"01ZZ7F\"   %s, %u bytes: %02X %02X %02X\n", valid ? "true" : "false", count, bytes[0],
              bytes[1], bytes[2]);
  delete[] bytes;

  // An odd number of digits fails before anything is allocated.
  bytes = nullptr;
  const bool odd = CBase16::Decode(CString(u"ABC"), &bytes, count);
  std::printf("decode \"ABC\"      %s, buffer %s\n", odd ? "true" : "false", bytes == nullptr ? "none" : "made");
  return 0;
}
