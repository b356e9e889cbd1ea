"""The colours of both skins. The brand blue RGB(0, 105, 155) is the colour the
settings window frames its body with; the light colours are the ones the
programs' own controls paint with (settings slider, updater progress text)."""

BRAND = (0, 105, 155)
BRAND_DARK = (0, 78, 118)
BRAND_LIGHT = (72, 168, 220)
EDGE = (0, 58, 92)            # outer outline of shaped windows and buttons
SHADOW = (0, 30, 50)
WHITE = (255, 255, 255)

PAGE_TOP = (255, 255, 255)
PAGE_BOTTOM = (226, 236, 245)
TODAY = (232, 84, 62)
RING_LIGHT = (246, 248, 251)
RING_DARK = (128, 140, 154)

CREAM = (254, 250, 239)        # settings body, behind the slider's own brush
UPDATER_BODY = (232, 249, 254)  # brush of the updater's progress text
CLOSE_RED = (232, 78, 60)
MAGENTA = (255, 0, 255)         # transparent colour of the skinned buttons
