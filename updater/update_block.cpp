#include "updater/update_block.h"

#include "download/http_parse.h"

UpdateOffer ReadUpdateBlock(const UpdateBlock& block) {
    UpdateOffer offer;
    offer.suiteWnd = block.suiteWnd;
    // Trimmed as the downloader trims its target, so that the file deleted,
    // downloaded, checked and started is one and the same.
    offer.packagePath = TrimWhiteSpace(FieldText(block.packagePath));
    offer.hostReserved = FieldText(block.hostReserved);
    // Trimmed as the downloader trims it, so that the signature's address,
    // made from it, is as good as the package's.
    offer.downloadUrl = TrimWhiteSpace(FieldText(block.downloadUrl));
    offer.mandatory = block.mandatory;
    offer.releaseNotes = FieldText(block.releaseNotes);
    offer.stampFile = FieldText(block.stampFile);
    offer.stampSection = FieldText(block.stampSection);
    offer.stampKey = FieldText(block.stampKey);
    return offer;
}
