/* What the version blocks of both shipped programs say of the product they
 * belong to; the numbers come from the generated zelq_version.h. */
#ifndef ZELQ_RESOURCES_PRODUCT_H
#define ZELQ_RESOURCES_PRODUCT_H

/* The release's one product name: ZelqEditor.dll and zelq-list.exe ship
 * together, and Explorer shows each as part of it. */
#define ZELQ_PRODUCT_NAME "Zelq Editor Dynamic Link Library"

#endif /* ZELQ_RESOURCES_PRODUCT_H */
