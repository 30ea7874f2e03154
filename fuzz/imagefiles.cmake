# The layered-image reader with every frame operation after it. The
# decoders' libraries are link dependencies of opal_imagefiles, so their
# imported targets must be known here too.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
opal_fuzz(brio_fuzz brio_fuzz.cpp opal_imagefiles opal_raster opal_storage opal_common)
