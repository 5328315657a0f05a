#include "includedata.h"

#include "platform/errors.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

namespace {

constexpr char kBinaryValue = 10;

[[noreturn]] void throwReadError()
{
    throw EReadError(QStringLiteral("Stream read error"));
}

void writeAll(QIODevice& stream, const char* data, qint64 size)
{
    if (size > 0 && stream.write(data, size) != size)
        throw EInOutError(QStringLiteral("Stream write error"));
}

void writeInt32(QIODevice& stream, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    writeAll(stream, bytes, 4);
}

void readExact(QIODevice& stream, char* into, qint64 size)
{
    if (size > 0 && stream.read(into, size) != size)
        throwReadError();
}

qint32 readInt32(QIODevice& stream)
{
    char bytes[4];
    readExact(stream, bytes, 4);
    return qFromLittleEndian<qint32>(bytes);
}

// Bytes left in the stream, or -1 where the stream cannot say (a pipe).
qint64 bytesLeft(const QIODevice& stream)
{
    return stream.isSequential() ? -1 : stream.size() - stream.pos();
}

void writeShortString(QIODevice& stream, const QByteArray& text)
{
    const char length = char(quint8(qMin<qsizetype>(text.size(), 255)));
    writeAll(stream, &length, 1);
    writeAll(stream, text.constData(), quint8(length));
}

QByteArray readShortString(QIODevice& stream)
{
    char length = 0;
    readExact(stream, &length, 1);
    QByteArray text(quint8(length), Qt::Uninitialized);
    readExact(stream, text.data(), text.size());
    return text;
}

} // namespace

void TPersistent::Assign(const TPersistent* source)
{
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                            .arg(QLatin1String(source ? source->className() : "nil"),
                                 QLatin1String(className())));
}

TIncludedData& TIncludedData::operator=(const TIncludedData& other)
{
    Assign(&other);
    return *this;
}

void TIncludedData::Clear()
{
    m_data.reset();
    m_size = 0;
}

void TIncludedData::SetData(qint32 count, const void* bytes)
{
    if (bytes == m_data.get() && count == m_size)
        return; // assigning an object to itself
    Clear();
    if (count <= 0)
        return;
    m_data = std::make_unique<char[]>(size_t(count));
    std::memcpy(m_data.get(), bytes, size_t(count));
    m_size = count;
}

void TIncludedData::Assign(const TPersistent* source)
{
    if (!source) {
        Clear();
        return;
    }
    if (auto* other = dynamic_cast<const TIncludedData*>(source)) {
        SetData(other->m_size, other->m_data.get());
        return;
    }
    TPersistent::Assign(source);
}

void TIncludedData::LoadFromFile(const QString& path)
{
    Clear();
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const qint64 length = file.size();
    if (length > std::numeric_limits<qint32>::max())
        throw EInOutError(QStringLiteral("File \"%1\" is too large to embed").arg(path));
    if (length <= 0)
        return;
    auto block = std::make_unique<char[]>(size_t(length));
    if (file.read(block.get(), length) != length)
        throw EInOutError(QStringLiteral("Read error on \"%1\". %2").arg(path, file.errorString()));
    m_data = std::move(block);
    m_size = qint32(length);
}

void TIncludedData::ReadData(QIODevice& stream)
{
    Clear();
    const qint32 count = readInt32(stream);
    if (count <= 0)
        return;
    // Never allocate from a count the stream cannot back.
    const qint64 left = bytesLeft(stream);
    if (left >= 0 && count > left)
        throwReadError();
    auto block = std::make_unique<char[]>(size_t(count));
    readExact(stream, block.get(), count);
    m_data = std::move(block);
    m_size = count;
}

void TIncludedData::WriteData(QIODevice& stream) const
{
    writeInt32(stream, m_size);
    writeAll(stream, m_data.get(), m_size);
}

std::unique_ptr<QBuffer> TIncludeData::GetStream() const
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(GetData(), GetSize());
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

void TIncludeData::WriteProperties(QIODevice& stream) const
{
    if (IncludedData.HasData()) {
        writeShortString(stream, kPropertyName);
        writeAll(stream, &kBinaryValue, 1);
        writeInt32(stream, IncludedData.size() + 4);
        IncludedData.WriteData(stream);
    }
    writeAll(stream, "", 1);
}

void TIncludeData::ReadProperties(QIODevice& stream)
{
    for (;;) {
        const QByteArray name = readShortString(stream);
        if (name.isEmpty())
            return;
        if (name != kPropertyName)
            throw EReadError(QStringLiteral("Error reading property %1: it does not exist")
                                 .arg(QString::fromLatin1(name)));
        char type = 0;
        readExact(stream, &type, 1);
        if (type != kBinaryValue)
            throw EReadError(QStringLiteral("Invalid property value"));
        const qint32 length = readInt32(stream);
        const qint64 start = stream.pos();
        IncludedData.ReadData(stream);
        // The envelope's length must match what the payload used.
        if (!stream.isSequential() && stream.pos() - start != length)
            throwReadError();
    }
}

namespace vimbo::formstream {

void writeComponentName(QIODevice& stream, const QByteArray& name)
{
    writeShortString(stream, name);
}

QByteArray readComponentName(QIODevice& stream)
{
    return readShortString(stream);
}

void writeEnd(QIODevice& stream)
{
    writeAll(stream, "", 1);
}

} // namespace vimbo::formstream
