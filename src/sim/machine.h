#pragma once

#include <QByteArray>
#include <QList>
#include <array>

namespace velmorix::sim {

// The machine behind the controller: nine axes that move at a feed rate when a block commands it,
// the block interpreter shared by MDI and DNC, and the controller's error number.
class Machine {
public:
    static constexpr int kAxes = 9; // X Y Z A B C U V W
    static constexpr int kErrUnknownWord = 21;
    static constexpr int kErrUnknownGCode = 22;
    static constexpr int kErrBadNumber = 23;

    Machine();

    // Axis position in thousandths at a time; interpolated while a move runs.
    qint32 position(int axis, qint64 atUs) const;
    // Following error in thousandths: proportional to the axis speed, 0 at rest.
    qint32 followingError(int axis, qint64 atUs) const;
    // Encoder count: four pulses per thousandth, lagging by the following error.
    qint32 pulses(int axis, qint64 atUs) const;
    bool moving(qint64 atUs) const { return atUs < m_endUs; }
    qint64 motionEndUs() const { return m_endUs; }

    // Runs one block such as "G01X10.5Y-3F300" (blanks allowed). A word the controller does not know
    // raises the error number and the block does nothing; false then.
    bool execute(const QByteArray& block, qint64 atUs);
    void setPosition(int axis, qint32 thousandths, qint64 atUs);
    // Every axis stops where it is (the reset signal).
    void stop(qint64 atUs) { settle(atUs); }

    int errorNumber() const { return m_error; }
    void raiseError(int number) { m_error = number; }
    void clearError() { m_error = 0; }
    // "G10P600Lnn" blocks: the nn of each flash write asked for, in order.
    const QList<int>& flashWrites() const { return m_flashWrites; }

private:
    void settle(qint64 atUs);

    std::array<qint64, kAxes> m_from{};
    std::array<qint64, kAxes> m_to{};
    qint64 m_startUs = 0;
    qint64 m_endUs = 0;
    bool m_absolute = true;
    int m_motion = 0;      // 0 rapid, 1 feed
    double m_feed = 500.0; // mm/min
    int m_error = 0;
    QList<int> m_flashWrites;
};

} // namespace velmorix::sim
