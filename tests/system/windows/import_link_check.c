/* An application that links against tvcore.dll's import library instead of
 * loading the DLL by name, written in C as a C caller would. Building it
 * proves that every export resolves through the import library with
 * tvcore.h's declarations: on 32-bit Windows those are the decorated
 * __stdcall symbols (_SetTVParam@8) over undecorated exports. Running it
 * (the 64-bit build, under Wine, with the bus driver on the search path)
 * proves that the library loads at process start, where the loader attaches
 * it before main. Exit code 0 when every call answered as expected. */
#include <stdio.h>
#include <string.h>

#include "tvcore.h"

static int failures = 0;

static void Expect(int ok, const char *what) {
    if (!ok) {
        ++failures;
        printf("FAILED: %s\n", what);
    }
}

int main(void) {
    TvMixerLine line;
    const uint8_t block[4] = {0x06, 0x50, 0x8E, 0x01};
    memset(&line, 0xA5, sizeof line);
    Expect(memcmp(&thk_ThunkData32, "LS01", 4) == 0, "thk_ThunkData32 begins with LS01");
    Expect(SetTVParam(TV_PARAM_HUE, 200) == TV_OK, "SetTVParam(hue, 200) answers 0");
    Expect(GetTVParam(TV_PARAM_HUE) == 200, "GetTVParam(hue) answers 200");
    Expect(I2C_Write(TV_I2C_DECODER, 0x0C, 0x1FE) == 0, "I2C_Write answers the driver's 0");
    Expect((I2C_Read(TV_I2C_DECODER, 0x0C) & 0xFF) == 0xFE, "I2C_Read gives the low byte written");
    Expect(I2C_WriteBlk(TV_I2C_TUNER, block, 4) == 0, "I2C_WriteBlk of a tuner block answers 0");
    Expect(InitTVAudio(&line) == 0 && line.channelCount == 2 && line.mixerHandle == 0,
           "InitTVAudio without a mixer device answers 0 with a cleared record");
    Expect(GetTVVol(&line) == 0 && GetTVMute(&line) == 0, "the read calls give 0 on the cleared record");
    Expect(SetTVVol(&line, 1) != 0 && SetTVMute(&line, 1) != 0, "the set calls pass the mixer's refusal on");
    printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
