// The live picture: one 640 x 360 grey picture on the image endpoint per request.
#include "sim/CommandTable.h"
#include "sim/ImageParts.h"

namespace {

using namespace pkt;

constexpr uint32_t kCaptureFine = 0;

void sendLiveImage(const InPacket&, ModuleContext& m) {
    const SessionState& s = m.state.session;
    const std::vector<uint8_t> picture =
        m.camera.picture(parts::kLiveWidth, parts::kLiveHeight, s.gain, s.imageReverse != 0);
    for (int n = 0; n < parts::countFor(picture.size()); ++n)
        parts::send(m.out, kEpImage, DAT_IMAGE, picture, n);
    uint8_t status[4];
    le::put32(status, 0, kCaptureFine);
    m.out.send(kEpImage, DAT_IMGEND, status, sizeof status);
}

} // namespace

void addLiveImageHandlers(CommandTable& table) {
    table[CMD_SENDIMG] = sendLiveImage;
}
