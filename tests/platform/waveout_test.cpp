#include "platform/waveout.h"
#include "support/media_files.h"

#include <gtest/gtest.h>

#include <QThread>

#include <array>

namespace lumora {
namespace {

TEST(WaveOut, BuffersComeBackPlayedInOrderAndResetReturnsTheRest) {
    std::vector<WaveHeader*> back;
    bool onThisThread = true;
    auto device = openWaveOut({1, 22050, 16}, [&](WaveHeader& header) {
        back.push_back(&header);
        onThisThread = onThisThread && QThread::currentThread() == qApp->thread();
    });
    ASSERT_TRUE(device);
    std::array<WaveHeader, 8> headers;
    device->pause();
    for (WaveHeader& header : headers) {
        header.data = QByteArray(2048, '\0');
        device->write(header);
    }
    device->restart();
    ASSERT_TRUE(test::waitFor([&] { return back.size() >= 3; }));
    EXPECT_GT(device->position(), 2 * 1024);
    device->reset();
    EXPECT_EQ(device->position(), 0);
    ASSERT_EQ(back.size(), headers.size());
    for (size_t i = 0; i < headers.size(); ++i)
        EXPECT_EQ(back[i], &headers[i]) << i;
    EXPECT_TRUE(onThisThread);

    // Nothing comes back twice, and a reset device plays what is written next.
    WaveHeader again;
    again.data = QByteArray(512, '\0');
    device->write(again);
    device->restart();
    ASSERT_TRUE(test::waitFor([&] { return back.size() == headers.size() + 1; }));
    EXPECT_EQ(back.back(), &again);
}

TEST(WaveOut, PlaysPcmOfOneOrTwoChannels) {
    for (const WaveFormat& format : {WaveFormat{0, 22050, 16}, WaveFormat{3, 22050, 16},
                                     WaveFormat{1, 22050, 24}, WaveFormat{1, 0, 16}})
        EXPECT_FALSE(openWaveOut(format, {}));
    EXPECT_TRUE(openWaveOut({2, 44100, 8}, {}));
    EXPECT_TRUE(openWaveOut({1, 11025, 16}, {}));
}

}  // namespace
}  // namespace lumora
