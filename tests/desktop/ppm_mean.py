# Reads a binary PPM (grim -t ppm) and prints its mean grey level, 0 to 255, as an integer.
import sys

data = sys.stdin.buffer.read()
fields = []
pos = 0
while len(fields) < 4 and pos < len(data):
    while pos < len(data) and data[pos:pos + 1].isspace():
        pos += 1
    if data[pos:pos + 1] == b"#":
        pos = data.index(b"\n", pos) + 1
        continue
    end = pos
    while end < len(data) and not data[end:end + 1].isspace():
        end += 1
    fields.append(data[pos:end])
    pos = end
pixels = data[pos + 1:]
if fields[:1] != [b"P6"] or not pixels:
    print(0)
else:
    print(sum(pixels[::97]) * 97 // len(pixels))
