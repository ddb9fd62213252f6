/* The scripted kernel dialog of the POSIX module. There is no window to show
 * there, so a host program that wants the dialog installs a driver: every
 * opening of the dialog then calls the driver's drive function, which acts
 * as the user would (types, clicks, scrolls, picks files) through the
 * controls it is handed and reads back what the dialog shows. Without a
 * driver the dialog cannot be shown and the run ends as cancelled.
 *
 * The module exports TarkelSetDialogDriver beside ENTRYPOINT; a host that
 * loads it finds the function by name (dlsym). C and C++ hosts alike. */
#ifndef TARKEL_DIALOG_DRIVER_H
#define TARKEL_DIALOG_DRIVER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TARKEL_DIALOG_DRIVER_VERSION 1

/* The open dialog. */
typedef struct TarkelDialog TarkelDialog;

typedef struct TarkelScrollBar {
  int32_t position;
  int32_t maximum; /* range 0..maximum */
  int32_t enabled; /* 0 once the dialog showed the bar disabled */
} TarkelScrollBar;

/* The last preview the dialog painted: width x height pixels of 5-5-5 RGB
 * (red in bits 10..14), bottom row first. The pixels stay valid until the
 * next paint or the end of the dialog. */
typedef struct TarkelPreview {
  int32_t width;
  int32_t height;
  const uint16_t* pixels;
} TarkelPreview;

/* Controls use the ids of the dialog template: 1 OK, 2 Cancel, 3 Reset,
 * 4 Load, 5 Save, 7 and 8 the vertical and horizontal scroll bars,
 * 9 + 7 * row + column the kernel grid, 58 scale factor, 59 add constant,
 * 60 Autoscale. After each action the dialog goes idle: a paint that the
 * action asked for is done before the action returns, unless painting is
 * held. Actions on a dialog that has ended do nothing. */
typedef struct TarkelDialogControls {
  TarkelDialog* dialog;
  /* Replaces a field's whole text, as a paste over a selection would: one change notice. */
  void (*setText)(TarkelDialog* dialog, int32_t id, const char* text);
  /* Types at the end of a field's text, one key at a time, each with its
   * own change notice and paint; '\b' deletes the last character. */
  void (*typeText)(TarkelDialog* dialog, int32_t id, const char* keys);
  /* A push button or the check box (which toggles its check first). */
  void (*click)(TarkelDialog* dialog, int32_t id);
  /* A scroll bar event: code is the scroll code (0 line up, 1 line down,
   * 2 page up, 3 page down, 4 thumb position, 5 thumb track, 6 top,
   * 7 bottom, 8 end scroll); thumb the thumb position for codes 4 and 5. */
  void (*scroll)(TarkelDialog* dialog, int32_t bar, int32_t code, int32_t thumb);
  /* While held (hold != 0) no paint is done, so actions reach the dialog
   * before the paint they asked for; releasing paints what is pending. */
  void (*holdPaint)(TarkelDialog* dialog, int32_t hold);
  /* The path the next open or save file dialog returns; null cancels it. */
  void (*chooseFile)(TarkelDialog* dialog, const char* path);

  /* 1 until OK or Cancel ended the dialog. */
  int32_t (*isOpen)(TarkelDialog* dialog);
  /* Copies a field's text (at most size - 1 characters); returns its length. */
  int32_t (*getText)(TarkelDialog* dialog, int32_t id, char* buffer, int32_t size);
  int32_t (*isChecked)(TarkelDialog* dialog, int32_t id);
  void (*getScrollBar)(TarkelDialog* dialog, int32_t bar, TarkelScrollBar* state);
  /* Paints done since the dialog opened (the first one included). */
  int32_t (*paintCount)(TarkelDialog* dialog);
  /* 1 and the last preview, or 0 when none was painted. */
  int32_t (*getPreview)(TarkelDialog* dialog, TarkelPreview* preview);
} TarkelDialogControls;

typedef struct TarkelDialogDriver {
  int32_t version; /* TARKEL_DIALOG_DRIVER_VERSION */
  /* The preview frame in pixels; 0 takes the template's frame, 196 x 183. */
  int16_t previewWidth;
  int16_t previewHeight;
  void* context; /* handed to drive */
  /* Called once per opening, after the dialog's first paint. A dialog still
   * open when drive returns is cancelled. */
  void (*drive)(void* context, const TarkelDialogControls* controls);
} TarkelDialogDriver;

/* Installs a copy of the driver for the dialogs that follow; null removes
 * it. Returns 0, or -1 (and changes nothing) for a driver of another
 * version or without a drive function. */
int32_t TarkelSetDialogDriver(const TarkelDialogDriver* driver);

#ifdef __cplusplus
}
#endif

#endif
