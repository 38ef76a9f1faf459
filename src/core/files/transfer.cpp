#include "core/files/transfer.h"

#include "core/files/handshakes.h"
#include "core/link/digits.h"

namespace velmorix {

bool Transfer::begin(bool sending) {
    if (active())
        return false;
    if (awaitingVerdict())
        report({TransferEnd::Kind::NotConfirmed,
                QStringLiteral("not confirmed: another transfer began before the controller's status")});
    m_rxText.clear();
    m_open = true;
    if (m_hooks.began)
        m_hooks.began(sending);
    return true;
}

bool Transfer::requestReceive() {
    if (!begin(false))
        return false;
    m_recvRequested = true;
    return true;
}

bool Transfer::requestSend(int sendItem) {
    if (!begin(true))
        return false;
    m_sendItem = sendItem;
    m_sendRequested = true;
    return true;
}

bool Transfer::takeBytes(const QByteArray& chunk) {
    if (m_recvRequested) {
        takeReceiveBytes(chunk);
        return false;
    }
    if (m_sendRequested)
        return takeSendBytes(chunk);
    return false;
}

void Transfer::takeReceiveBytes(const QByteArray& chunk) {
    m_rxText += chunk;
    if (m_hooks.gathered)
        m_hooks.gathered(m_rxText.size());
    if (m_recvBody) {
        if (m_hooks.bodyArriving)
            m_hooks.bodyArriving();
        return;
    }
    const auto announcement = detectWriteAnnouncement(m_rxText);
    if (!announcement)
        return;
    if (m_hooks.announced)
        m_hooks.announced(announcement->name);
    if (announcement->body) {
        if (m_hooks.bodyBegins)
            m_hooks.bodyBegins();
        m_rxText = *announcement->body;
        m_recvBody = true;
    }
}

bool Transfer::takeSendBytes(const QByteArray& chunk) {
    if (!m_sending) {
        // Gathered only until the go-ahead: a DNC run streams status frames for hours, and nothing
        // reads them here.
        m_rxText += chunk;
        m_xoffHold = false;
        if (detectReadAcknowledgement(m_rxText)) {
            m_rxText.clear();
            m_sending = true;
            m_txByteCount = 0;
            if (m_hooks.readAcknowledged)
                m_hooks.readAcknowledged();
        }
        return false;
    }
    // The controller's XOFF and XON arrive among its other bytes; when a tick brings both, the later
    // one is what the controller wants now.
    const qsizetype xoff = chunk.lastIndexOf(ctl::DC3);
    const qsizetype xon = chunk.lastIndexOf(ctl::DC1);
    if (xoff > xon)
        m_xoffHold = true;
    else if (xon > xoff)
        m_xoffHold = false;
    return m_sendItem == kDncTypeIndex && !chunk.isEmpty();
}

void Transfer::report(TransferEnd end) {
    if (!m_open)
        return;
    m_open = false;
    m_verdictPending = false;
    if (m_hooks.ended)
        m_hooks.ended(end);
}

void Transfer::abort() {
    m_recvRequested = m_sendRequested = m_recvBody = m_sending = false;
}

void Transfer::receiveTimedOut() {
    m_recvRequested = false;
    m_rxText.clear();
}

void Transfer::sendTimedOut() {
    m_sendRequested = m_sending = false;
    m_rxText.clear();
}

void Transfer::finishReceive() {
    m_recvRequested = m_recvBody = false;
    m_rxText.clear();
}

void Transfer::finishSend() {
    m_sending = m_sendRequested = false;
}

} // namespace velmorix
