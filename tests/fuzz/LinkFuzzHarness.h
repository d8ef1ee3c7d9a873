#pragma once

#include <cstddef>
#include <cstdint>

// Drives the link's receive thread with module packets cut from fuzz input, through a
// transport that serves them in order, and checks what the link hands on. One link lives for
// the whole process: its destructor waits for the module and would dominate every run.
namespace link_fuzz {

// The link logs every packet; a fuzzer runs faster without the lines.
void quietLog();

// Every 512 bytes of input is one packet; a short tail is a short read.
void receiveDispatch(const uint8_t* data, size_t size);

// Byte 0 picks the capture group the link expects; after it, each packet's first byte picks
// a picture code and the rest of the packet follows it.
void imageAssembly(const uint8_t* data, size_t size);

// Each packet's first byte picks one of the record, mask, option, version and calibration
// point codes; the rest of the packet follows it.
void recordAndMask(const uint8_t* data, size_t size);

} // namespace link_fuzz
