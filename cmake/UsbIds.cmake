# The module's USB ids, defined once: device/UsbIds.h, the udev rule, the metainfo's modalias
# and postinst are generated from them with configure_file.
set(TIVORA_USB_VENDOR_ID 16d0)
set(TIVORA_USB_PRODUCT_ID 0f8c)
string(TOUPPER ${TIVORA_USB_VENDOR_ID} TIVORA_USB_VENDOR_ID_UPPER)
string(TOUPPER ${TIVORA_USB_PRODUCT_ID} TIVORA_USB_PRODUCT_ID_UPPER)
