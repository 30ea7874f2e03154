// The player's own writer: one version (106), no tiles, rows in TileSeed
// order and stored raw whenever the list has a seed.
#include "common/error.h"
#include "imagefiles/brio_encoder.h"
#include "imagefiles/brio_frame_list.h"
#include "storage/stream.h"

namespace opal {

void TBrioFrameList::SaveToStream(TStream& stream, int32_t mode, int32_t quality) const {
  TBrioEncodeOptions o;
  o.Version = 106;
  o.Scrambled = TileSeed != 0;
  o.Mode = TileSeed != 0 ? 1 : mode;
  o.Quality = quality;
  o.TileSeed = TileSeed;
  o.OpaqueBottom = OpaqueBottom;
  o.BackgroundColor = BackgroundColor;
  o.WriteRects = false;
  TBrioEncoder(o).Write(*this, stream);
}

void TBrioFrameList::SaveToFile(const std::string& name) const {
  TMemoryStream data;
  SaveToStream(data, 0, 70);
  data.SaveToFile(name);
}

}  // namespace opal
