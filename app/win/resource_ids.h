#pragma once
// Resource numbers of the Windows program's pictures; shared by the tool that
// renders them and the program that loads them.
#define FANBORD_IDI_ICON 1
#define FANBORD_ART_BOARD 100
#define FANBORD_ART_SVERIGE 101
#define FANBORD_ART_PROGRESS 102
#define FANBORD_ART_MARKER 103
#define FANBORD_ART_INFO 104
#define FANBORD_ART_QUIT 105
#define FANBORD_ART_TILE0 200 /* 200 to 229, one per nation */
