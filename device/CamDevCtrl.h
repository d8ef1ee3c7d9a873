#pragma once

#include "device/AnswerWriter.h"
#include "device/BufferHandover.h"
#include "device/RecordLayout.h"
#include "device/ReportGate.h"
#include "device/Transport.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class QThread;

// The link to the camera module: packets out through the transport, a receive thread that
// decodes what comes back and reports it with signals, picture reassembly, the stored record
// and the mask, one sender per command. Lives on the user-interface thread; its signals are
// emitted on the receive thread and reach receivers queued.
class CamDevCtrl : public QObject {
    Q_OBJECT

public:
    static constexpr int kImageBufferSize = 3686400;
    static constexpr int kLiveImageSize = 640 * 360;
    static constexpr int kCapturedImageSize = record_layout::kCaptureBytes;
    static constexpr int kPartsPerGroup = 24;
    static constexpr int kGroupBytes = 11520;
    static constexpr int kGroupCount = 80;
    static constexpr int kPartFlagCount = 1920;
    static constexpr int kMaskSize = record_layout::kMaskBytes;
    static constexpr int kMaskParts = 58;

    explicit CamDevCtrl(std::unique_ptr<Transport> transport, QObject* parent = nullptr);
    ~CamDevCtrl() override;

    // The answers the opening requests wait for, as bits of OpeningAnswers().
    enum OpeningAnswer { AnswerVersion = 1, AnswerOptions = 2, AnswerRecord = 4, AnswerMask = 8 };
    static constexpr int kAllOpeningAnswers = 15;

    // Transport side.
    bool OpenDevice();
    // From another thread, for the end of the program: an OpenDevice under way gives up at its
    // next step (pauses and string reads included), and later ones fail.
    void StopOpening();
    // Which opening answers arrived since the last OpenDevice.
    int OpeningAnswers() const { return m_nOpeningAnswers; }
    // The names of those still missing, for the log: "version, options, record, mask".
    static QString missingAnswers(int answers);
    // For the connection watch, which opens: what the last OpenDevice found.
    Transport::OpenFailure openFailure() const { return m_pTransport->lastOpenFailure(); }
    QString serialNumber() const { return m_sSerial; }
    // The name the desktop lists the module's touch input under; empty when unknown.
    QString inputDeviceName() const { return m_sInputDeviceName; }
    bool IsDeviceConnected(bool checkHid);
    bool IsOpen() const;
    // The module went away under the open link, even if it is back by now.
    bool IsLinkLost();
    // The module is there but the open link is of no use any more (see Transport::isBroken).
    bool IsLinkBroken();
    int WritePacket(const uint8_t* packet);
    void SetRecvEndpoint(int selector) { m_nEndpointSelector = selector; }

    // Packets.
    void SendPacket(const uint8_t* payload, uint32_t code, int length);

    // Receive thread.
    bool CreateRecvPacketThread();
    void DeleteThread();
    void SetCalibMode(int mode, int lensType);

    // Pictures.
    void RequestLiveImage();
    void RequestACImage(int imageId, int group);
    void SetLiveViewStop(bool stop) { m_nLiveStop = stop ? 1 : 0; }
    bool IsLiveViewStopped() const { return m_nLiveStop != 0; }

    // Record and mask.
    void send_set_calib_parameter(const double* tp, uint8_t ceiling, uint8_t rear,
                                  int16_t windowWidth, int16_t windowHeight, int lensType,
                                  uint8_t imageReverse, bool tweakPresent, int tweakCount,
                                  const float* tweakPairs, bool sensorSettingsPresent,
                                  int rowLimitA, int rowLimitB, int fwMinor);
    void SetMask(const uint8_t* mask, int length);

    // Command senders.
    void WriteRegister(uint16_t reg, uint8_t value);
    void QueueRegisterWrite(uint16_t reg, uint8_t value);
    void QueueGainWrite(uint16_t gain, uint32_t exposure);
    void send_ac_black_start(int lensType, int fwMinor);
    void SendACWhiteStart(int value);
    void SendACPatternStart(int value);
    void SendMCStart();
    void SendMCPatternStart(int value);
    void SendMCGetInputPoint();
    // The same two as answers to the module's reports: written off the calling thread, a newer
    // answer replacing one not yet written (see AnswerWriter).
    void AnswerMCPatternStart(int value);
    void AnswerMCGetInputPoint();
    void SendMCEnd();
    void SendMCCancel();
    void SetTracking(bool start);
    void SetImageReverse(int reverse);
    void SetMonoBin(int value);
    void SetFingerTouchMode(bool finger);
    void SendCoord(int a, int b, int c);
    void SetFixCoordRatio(int mode, double ratio);

    // What the last queueing left for the next live picture, for inspection.
    std::vector<std::pair<uint16_t, uint8_t>> pendingRegisterWrites();
    int calibMode() const { return m_nCalibMode; }

signals:
    void sigSetFWVersion(QString sVersion);
    void sigSetFWOption(uchar ceiling, uchar rear, uchar finger, uchar lens);
    void sigSetPrevTweak(unsigned char* pEEPROM);
    void sigReceiveMask(unsigned char* mask, int len);
    void sigNewFrame(unsigned char* buf, int size);
    void sigACNewFrame(unsigned char* buf, int size);
    void sigACNextStep();
    // A captured image that the module did not complete, however often it was asked.
    void sigACImageFailed();
    void sigMCDone();
    void sigMCNextStep(int* buf, int len);
    void sigSetCalibResult(int result);
    void sigInitDone();

private:
    using StopToken = std::shared_ptr<std::atomic<bool>>;

    void countDeliveries();
    void RecvPacketProc(int selector, const StopToken& stop);
    void dispatch(const uint8_t* packet, int bytesRead);
    void drainImageEndpoint(uint8_t* packet);
    void reapAbandonedThreads(bool wait);
    // Deletes the receive thread, or keeps it among the abandoned ones while it still runs.
    void retireReceiveThread();
    void closeHandle();
    void noteAnswer(OpeningAnswer answer) { m_nOpeningAnswers |= answer; }
    void sendSingle(uint32_t code, const uint8_t* payload, int length);
    // After the answers posted before it.
    void writeLocked(const uint8_t* packet);
    void writeNow(const uint8_t* packet);
    void postAnswer(uint32_t code, const uint8_t* payload, int length);

    void PacketToImage16HID(const uint8_t* buffer, uint8_t* image, int byteCount);
    void placeImagePart(const uint8_t* packet, uint8_t* image);
    void ReceiveImgProcHID(const uint8_t* packet, int bytesRead);
    void ReceiveACProcHID(const uint8_t* packet, int bytesRead);
    // Both under m_assemblyLock.
    void requestGroup(int imageId, int group);
    void FindMissingParts(int first, int end);
    void RequestMissingParts();
    void requestMissingRun(int run);
    void giveUpCapture();
    void continueGroup(int group);
    void sendDeferredRegisterWrites();

    void ReceiveEeprom(const uint8_t* packet);
    void ReceiveMaskPart(const uint8_t* packet);
    // User-interface thread: hand on the latest finished mask, live and captured picture.
    void deliverMask();
    void deliverLiveFrame();
    void deliverCapturedFrame();

    // In declaration order of the link's state.
    int m_nCalibMode = 0;
    // The picture under assembly: requests on the user-interface thread start it, the receive
    // thread fills and repairs it. Everything from here to m_bCaptureFailed, m_imageBuffer and
    // the live bookkeeping below are guarded by it.
    std::mutex m_assemblyLock;
    std::vector<uint8_t> m_partFlags;
    QVector<QPair<int, int>> m_missingRuns;
    int m_nCurrentRun = 0;
    int m_nACImageId = 0;
    int m_nCurrentGroup = 0;
    int m_nRepairRounds = 0;
    bool m_bCaptureFailed = false;
    uint8_t m_blackStartParam[3] = {};
    std::unique_ptr<Transport> m_pTransport;
    std::atomic<bool> m_bStopOpening{false};
    std::atomic<int> m_nOpeningAnswers{0};
    // Written and read by the connection watch only.
    QString m_sSerial;
    QString m_sInputDeviceName;
    std::atomic<int> m_nLiveStop{1};
    StopToken m_stopRequest;
    std::atomic<int> m_nEndpointSelector{0};
    QThread* m_pThreadRecv = nullptr;
    std::vector<uint8_t> m_imageBuffer;
    std::mutex m_registerWriteLock;
    bool m_bRegisterWritesPending = false;
    std::vector<std::pair<uint16_t, uint8_t>> m_deferredRegisterWrites;
    int m_nMaskBytes = 0;
    // The mask part taken next; 0 also when no download is under way.
    std::atomic<int> m_nMaskNext{0};
    std::vector<uint8_t> m_maskBuffer;
    BufferHandover m_maskHandover{kMaskSize};
    BufferHandover m_liveHandover{kImageBufferSize};
    BufferHandover m_capturedHandover{kImageBufferSize};
    // What sigReceiveMask, sigNewFrame and sigACNewFrame point to: the user-interface
    // thread's copies.
    std::vector<uint8_t> m_deliveredMask;
    std::vector<uint8_t> m_deliveredLive;
    std::vector<uint8_t> m_deliveredCapture;
    ReportGate m_reports;

    // Live picture bookkeeping (receive thread, under m_assemblyLock).
    int m_nPrevSeq = -1;
    int m_nLiveImageSize = 0;
    int m_nLiveParts = 0;
    int m_nFrameCount = 0;
    QString m_sLastSecond;
    int m_nACImageSize = 0;

    std::vector<QThread*> m_abandonedThreads;
    // Starting, stopping and replacing the receive thread happen on the user-interface thread
    // and on the connection watch; one at a time.
    std::recursive_mutex m_threadControl;
    // Last, so that its thread has ended before anything it writes through goes.
    AnswerWriter m_answers;
};
