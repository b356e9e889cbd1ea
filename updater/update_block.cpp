#include "updater/update_block.h"

UpdateOffer ReadUpdateBlock(const UpdateBlock& block) {
    UpdateOffer offer;
    offer.suiteWnd = block.suiteWnd;
    offer.packagePath = FieldText(block.packagePath);
    offer.hostReserved = FieldText(block.hostReserved);
    offer.downloadUrl = FieldText(block.downloadUrl);
    offer.mandatory = block.mandatory;
    offer.releaseNotes = FieldText(block.releaseNotes);
    offer.stampFile = FieldText(block.stampFile);
    offer.stampSection = FieldText(block.stampSection);
    offer.stampKey = FieldText(block.stampKey);
    return offer;
}
