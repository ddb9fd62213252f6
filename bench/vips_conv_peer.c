// The peer of tarkel filter in the command benchmark: what `vips conv IN OUT
// MATRIX --precision P` does, built against whichever libvips the benchmark
// names. The result goes back to the input's sample format, as tarkel's does.
// Usage: vips-conv-peer IN OUT[saver options] MATRIX integer|float
#include <stdio.h>
#include <string.h>
#include <vips/vips.h>

static int Fail(const char* what) {
  fprintf(stderr, "vips-conv-peer: %s: %s", what, vips_error_buffer());
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: vips-conv-peer IN OUT MATRIX integer|float\n");
    return 2;
  }
  if (VIPS_INIT(argv[0]) != 0) return Fail("init");
  VipsPrecision precision = strcmp(argv[4], "float") == 0 ? VIPS_PRECISION_FLOAT : VIPS_PRECISION_INTEGER;
  VipsImage* in = vips_image_new_from_file(argv[1], "access", VIPS_ACCESS_SEQUENTIAL, NULL);
  VipsImage* matrix = NULL;
  if (in == NULL || vips_matrixload(argv[3], &matrix, NULL) != 0) return Fail("load");
  VipsImage* filtered = NULL;
  VipsImage* out = NULL;
  if (vips_conv(in, &filtered, matrix, "precision", precision, NULL) != 0 ||
      vips_cast(filtered, &out, in->BandFmt, NULL) != 0)
    return Fail("conv");
  if (vips_image_write_to_file(out, argv[2], NULL) != 0) return Fail("save");
  g_object_unref(out);
  g_object_unref(filtered);
  g_object_unref(matrix);
  g_object_unref(in);
  vips_shutdown();
  return 0;
}
