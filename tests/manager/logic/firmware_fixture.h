#pragma once
// The firmware controllers wired as a main window wires them, on top of the
// manager fixture, and the images and files the firmware tests use.

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>

#include "manager/logic/firmware_image.h"
#include "manager/logic/firmware_import.h"
#include "manager/logic/long_dallas.h"
#include "manager/logic/remote_firmware.h"
#include "tests/manager/logic/manager_fixture.h"

struct FirmwareFixture : ManagerFixture {
    FirmwareImporter importer{state, repo, prompt};
    FirmwareSender sender{state, console, remote, prompt};
    LongDallasWriter dallas{state, console, remote, prompt};
    QStringList progress;  // every progress value shown, in order

    FirmwareFixture() {
        QObject::connect(&sender, &FirmwareSender::statusChanged, [this] { Note(); });
        QObject::connect(&console, &ConsoleClient::statusChanged, [this] { Note(); });
        QObject::connect(&dallas, &LongDallasWriter::statusChanged, [this] { Note(); });
    }
    void Note() {
        if (progress.isEmpty() || progress.back() != state.progress)
            progress.append(state.progress);
    }
    // An image loaded as an import would load it.
    void Load(const QByteArray& image, int kind, int cpuBit) {
        state.firmwareKind = kind;
        state.firmwareImage = image;
        state.firmwareFlags = KindBit(kind) | cpuBit;
        state.firmwareLoaded = true;
    }
};

// `size` bytes that differ from block to block and within a block.
inline QByteArray PatternBytes(qsizetype size, int seed) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 256 * 13 + seed) & 0xFF);
    }
    return bytes;
}

// An adapter image: the file name the server hands the adapter, its
// terminating NUL, then the firmware.
inline QByteArray AdapterImage(const QByteArray& name, const QByteArray& firmware) {
    return name + '\0' + firmware;
}

// A firmware XML document with one "firmware" element, its image in
// records of 512 bytes.
inline QByteArray FirmwareDocument(int deviceType, int kind, int cpu, const QByteArray& image) {
    QByteArray xml = QStringLiteral(
                         "<vimko><firmware device=\"%1\" type=\"%2\" cpu=\"%3\" "
                         "release=\"2026-12-01\" ver=\"7.1\">")
                         .arg(deviceType + 1)
                         .arg(kind + 1)
                         .arg(cpu)
                         .toUtf8();
    for (qsizetype i = 0; i < image.size(); i += 512) {
        xml += "<record>" + image.mid(i, 512).toHex() + "</record>";
    }
    return xml + "<description>Test build</description></firmware></vimko>";
}

inline QString WriteBytes(const std::string& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return QString::fromStdString(path);
}
