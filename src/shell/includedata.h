// A whole file carried inside the executable as a block of bytes, and the
// stream format that stores it in the main window's resource.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QBuffer;
class QIODevice;

// Base of the objects that can take another object's value with Assign.
class TPersistent
{
public:
    virtual ~TPersistent() = default;
    virtual const char* className() const = 0;
    // Objects that know no better refuse with EConvertError.
    virtual void Assign(const TPersistent* source);
};

// Owns a copy of a file's bytes. `size` is 0 exactly when no block is held.
class TIncludedData : public TPersistent
{
public:
    TIncludedData() = default;
    TIncludedData(const TIncludedData& other) { Assign(&other); }
    TIncludedData& operator=(const TIncludedData& other);

    const char* className() const override { return "TIncludedData"; }

    void Clear();
    // Copies `count` bytes; a count of 0 or less leaves the object empty.
    void SetData(qint32 count, const void* bytes);
    // null clears; another TIncludedData is copied; anything else throws EConvertError.
    void Assign(const TPersistent* source) override;
    bool IsEmpty() const { return m_size == 0; }
    bool HasData() const { return m_size != 0; }
    // Reads a whole file; a missing file leaves the object empty. Throws EInOutError.
    void LoadFromFile(const QString& path);

    // Payload of the stored property: a little-endian signed 32-bit count,
    // then that many bytes. ReadData throws EReadError when the stream holds
    // fewer bytes than the count claims, and allocates nothing in that case.
    void ReadData(QIODevice& stream);
    void WriteData(QIODevice& stream) const;

    qint32 size() const { return m_size; }
    const char* data() const { return m_data.get(); }

private:
    qint32 m_size = 0;
    std::unique_ptr<char[]> m_data;
};

// The component that holds one embedded file on the main window.
class TIncludeData
{
public:
    // The stored property's name in the resource stream.
    static constexpr const char* kPropertyName = "IncludedData.Data";

    TIncludedData IncludedData;

    // A new in-memory stream with a copy of the bytes, positioned at 0.
    std::unique_ptr<QBuffer> GetStream() const;
    const char* GetData() const { return IncludedData.data(); }
    qint32 GetSize() const { return IncludedData.size(); }

    // The component's properties in the resource stream: for each stored
    // property its name (one length byte, then the name), the value type
    // byte 10 (binary), the payload length as little-endian signed 32-bit and
    // the payload; a zero byte ends the list. "IncludedData.Data" is written
    // only when there are bytes to hold.
    void WriteProperties(QIODevice& stream) const;
    // Reads such a list; throws EReadError on an unknown property, a value of
    // another type or a truncated stream.
    void ReadProperties(QIODevice& stream);
};

// The main window's resource: named components, each followed by its
// property list; a zero byte (an empty name) ends it.
namespace vimbo::formstream {
// Writes one component's name; its properties follow.
void writeComponentName(QIODevice& stream, const QByteArray& name);
// Reads the next component's name; empty at the end of the resource.
QByteArray readComponentName(QIODevice& stream);
void writeEnd(QIODevice& stream);
} // namespace vimbo::formstream
