/* Resource identifiers shared by tessary.rc and the C++ sources. */
#ifndef TESSARY_RESOURCE_H
#define TESSARY_RESOURCE_H

/* Application icon group (tessary.ico). */
#define IDI_APP 1

/* Splash picture, the raw bytes of splash.gif stored as RCDATA. */
#define IDR_SPLASH_GIF 101

#endif /* TESSARY_RESOURCE_H */
