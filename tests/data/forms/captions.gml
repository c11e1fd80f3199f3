Form frmT {
  Label lblNumeric { Caption: "design" Tag: "1002" ToolTipText: "8000" }
  Label lblWords { Caption: "design" Tag: "abc" }
  Label lblEmpty { Caption: "design" }
  TextBox txtNoCaption { Tag: "1002" ToolTipText: "1003" }
  Label lblJoined { Caption: "design" Tag: "8000" }
  ListView lvwList { }
  Image imgPicture { Tag: "1002" }
}
