#include "app/ViewState.h"

#include <QStringDecoder>
#include <QtEndian>

namespace {

const QByteArray kMagic("KVVS");

void PutU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

void PutText(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    PutU32(out, quint32(utf8.size()));
    out += utf8;
}

class Reader {
public:
    explicit Reader(const QByteArray& data) : m_data(data) {}

    bool U32(quint32& value)
    {
        if (m_data.size() - m_pos < 4)
            return false;
        value = qFromBigEndian<quint32>(m_data.constData() + m_pos);
        m_pos += 4;
        return true;
    }

    bool Text(QString& text)
    {
        quint32 length = 0;
        if (!U32(length) || quint64(length) > quint64(m_data.size() - m_pos))
            return false;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = decoder(QByteArrayView(m_data.constData() + m_pos, length));
        m_pos += length;
        return !decoder.hasError();
    }

    qsizetype Remaining() const { return m_data.size() - m_pos; }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

}  // namespace

QByteArray ViewState::Serialize() const
{
    QByteArray out = kMagic;
    out.append(char(Version));
    PutText(out, CurrentFolder);
    PutU32(out, quint32(ExpandedFolders.size()));
    for (const QString& folder : ExpandedFolders)
        PutText(out, folder);
    return out;
}

std::optional<ViewState> ViewState::Parse(const QByteArray& data)
{
    if (data.size() < kMagic.size() + 1 || !data.startsWith(kMagic) || quint8(data[kMagic.size()]) != Version)
        return std::nullopt;
    const QByteArray body = data.mid(kMagic.size() + 1);
    Reader reader(body);
    ViewState state;
    if (!reader.Text(state.CurrentFolder))
        return std::nullopt;
    quint32 count = 0;
    if (!reader.U32(count))
        return std::nullopt;
    // Every entry takes at least its length field: a count beyond that is a
    // damaged stream, refused before anything is reserved for it.
    if (quint64(count) * 4 > quint64(reader.Remaining()))
        return std::nullopt;
    for (quint32 i = 0; i < count; ++i) {
        QString folder;
        if (!reader.Text(folder))
            return std::nullopt;
        state.ExpandedFolders << folder;
    }
    if (reader.Remaining() != 0)
        return std::nullopt;
    return state;
}
