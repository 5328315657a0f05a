#include "embeddedfiles.h"

#include "platform/errors.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vimbo {

namespace {
constexpr const char* kResourcePath = ":/vimbo/TVimboForm.res";
}

TIncludeData* EmbeddedFiles::component(const QByteArray& name)
{
    return name == "DecoderData" ? &DecoderData
           : name == "FontData1" ? &FontData1
           : name == "FontData2" ? &FontData2
                                 : nullptr;
}

void EmbeddedFiles::read(QIODevice& resource)
{
    for (;;) {
        const QByteArray name = formstream::readComponentName(resource);
        if (name.isEmpty())
            return;
        TIncludeData* target = component(name);
        if (!target)
            throw EReadError(QStringLiteral("Class or component %1 not found")
                                 .arg(QString::fromLatin1(name)));
        target->ReadProperties(resource);
    }
}

void EmbeddedFiles::write(QIODevice& resource) const
{
    const std::pair<const char*, const TIncludeData*> components[] = {
        {"DecoderData", &DecoderData}, {"FontData1", &FontData1}, {"FontData2", &FontData2}};
    for (const auto& [name, component] : components) {
        formstream::writeComponentName(resource, name);
        component->WriteProperties(resource);
    }
    formstream::writeEnd(resource);
}

EmbeddedFiles EmbeddedFiles::fromExecutable()
{
    QFile resource(kResourcePath);
    if (!resource.open(QIODevice::ReadOnly))
        throw EReadError(QStringLiteral("Resource %1 not found").arg(kResourcePath));
    EmbeddedFiles files;
    files.read(resource);
    return files;
}

namespace {

void writeWhole(const TIncludeData& source, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // Written beside the target and renamed into place, so an interrupted
    // write never leaves a half file that would then count as present.
    QSaveFile file(path);
    const auto stream = source.GetStream();
    const QByteArray& bytes = stream->data();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EFCreateError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
}

// The size decides most cases without reading the file; the same size is
// compared byte for byte.
bool sameBytes(const TIncludeData& source, const QString& path)
{
    if (QFileInfo(path).size() != source.GetSize())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == QByteArrayView(source.GetData(), source.GetSize());
}

} // namespace

bool writeEmbeddedFileIfMissing(const TIncludeData& source, const QString& path)
{
    if (QFileInfo::exists(path))
        return false;
    writeWhole(source, path);
    return true;
}

bool refreshEmbeddedFile(const TIncludeData& source, const QString& path)
{
    if (!QFileInfo::exists(path)) {
        writeWhole(source, path);
        return true;
    }
    if (sameBytes(source, path))
        return false;
    try {
        writeWhole(source, path);
    } catch (const EFCreateError& e) {
        qWarning("%s; the file there is used as it is", qPrintable(e.message()));
        return false;
    }
    return true;
}

} // namespace vimbo
