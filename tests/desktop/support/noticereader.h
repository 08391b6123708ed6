#pragma once

#include "ledreader.h"

#include <QImage>
#include <QString>

// Tells from a grab of the notice window's place what it shows: its two digits ("05"), the
// closing message alone ("message"), the slide show behind it ("closed"), or something else,
// half drawn say (an empty string).
class NoticeReader
{
public:
    NoticeReader();
    QString look(const QImage &image) const;
    // The notice's two digits read as glyphs, for a report.
    QPair<LedReader::Match, LedReader::Match> digits(const QImage &image) const;

private:
    LedReader m_digits;
};
