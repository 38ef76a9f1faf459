#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace velmorix::frames {

// Every request the console sends on its own initiative, built whole so it goes out in one write.

// 5 x STX, DC2 "%" CR "O9000" CR data CR "%" DC4, 5 x ETX.
QByteArray monitorRequest(const QByteArray& data);
// 5 x STX, DC4, DC2 "%" CR "O9000" CR "N1" CR "%" DC4, 5 x ETX: 25 bytes.
QByteArray linkReset();
// DC2 "%" CR "O9012" CR "N" n CR "D" hex8(v) CR "%" DC4.
QByteArray valueWrite(qint32 number, qint32 value);
// DC2 "%" CR "O9012(" name ")" CR "N" n CR "d" hex8(v) CR "%" DC4.
QByteArray namedValueWrite(qint32 number, qint32 value, const QByteArray& name);
// DC2 "%" CR "O9000" CR "N000011" CR command CR "%" DC4.
QByteArray mdi(const QByteArray& command);
// DC4 and four TABs.
QByteArray resetSignal();
// "%" DC4.
QByteArray abortMark();

// Data of a monitor request: "N0" CR "v" count, then the address list (FormatAddressList pieces)
// of exactly that many variables.
QByteArray monitorData(int itemCount, const QByteArray& addressList);

} // namespace velmorix::frames
