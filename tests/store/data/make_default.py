#!/usr/bin/env python3
# Builds default_model1.qzp, the project file of a fresh model-1 configuration, from the layout
# alone (independently of the C++ writer): five int32 header values, then per key name, label,
# eleven int32 fields and 37 empty string arrays.
import struct, sys

def s(text):
    b = text.encode()
    assert len(b) < 255
    return bytes([len(b)]) + b

out = struct.pack('<5i', 0, 0, 0, 0, 1)
for k in range(36):
    name = {32: 'IOL', 33: 'IOH', 34: 'Time', 35: 'Start'}.get(k, str(k + 1))
    kind = 0 if k < 8 else 3 if k < 32 else 4
    out += s(name) + s(str(k + 1)) + struct.pack('<11i', kind, kind, *[0] * 9) + b'\0\0' * 37
assert len(out) == 4473
open(sys.argv[1] if len(sys.argv) > 1 else 'default_model1.qzp', 'wb').write(out)
