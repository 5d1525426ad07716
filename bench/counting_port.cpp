#include "counting_port.h"

void CountingPort::write(const QByteArray& data) {
    port_->write(data);
    if (awaitingReply_) {
        ++counts_.noReplies;
    }
    // A broadcast ("@00") is never answered.
    awaitingReply_ = data.endsWith('\r') && !data.startsWith("@00");
    counts_.bytesOut += data.size();
    counts_.frames += data.count('\r');
    if (data.endsWith("PX\r")) {
        ++counts_.positionFrames;
    }
    if (counts_.onWrite) {
        counts_.onWrite(data);
    }
}

QByteArray CountingPort::read() {
    const QByteArray got = port_->read();
    counts_.bytesIn += got.size();
    counts_.replyLines += got.count('\r');
    if (got.contains('\r')) {
        awaitingReply_ = false;
        if (counts_.onReplyLine) {
            counts_.onReplyLine();
        }
    }
    return got;
}
